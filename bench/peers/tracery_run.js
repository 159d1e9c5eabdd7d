#!/usr/bin/env node
// Expands the origin of a JSON grammar COUNT times with the peer expander and writes one
// expansion per line to standard output. The expander's state is cleared every 100 expansions:
// without that it keeps every expansion tree and slows down several times over.
//
//   node tracery_run.js GRAMMAR_JSON COUNT
'use strict';
const fs = require('fs');
const tracery = require('tracery-grammar');

const [file, countArg] = process.argv.slice(2);
const count = Number(countArg);
const grammar = tracery.createGrammar(JSON.parse(fs.readFileSync(file, 'utf8')));
let pending = '';
for (let i = 0; i < count; ++i) {
  if (i % 100 === 0) grammar.clearState();
  pending += grammar.flatten('#origin#') + '\n';
  if (pending.length >= 1 << 16) {
    fs.writeSync(1, pending);
    pending = '';
  }
}
fs.writeSync(1, pending);
