#!/usr/bin/env node
// Rolls each dice expression COUNT times with the peer dice roller and prints the rolls per
// second of the loop in CPU time (process start excluded), as "rolls seconds"; CPU time is
// what a busy machine disturbs least.
//
//   node dice_run.js COUNT EXPRESSION...
'use strict';
const { DiceRoll } = require('@dice-roller/rpg-dice-roller');

const [countArg, ...expressions] = process.argv.slice(2);
const count = Number(countArg);
let sum = 0;
// A short warm-up lets the JIT compile the roller before the timed loop.
for (let i = 0; i < 2000; ++i) sum += new DiceRoll(expressions[i % expressions.length]).total;
const start = process.cpuUsage();
for (let i = 0; i < count; ++i) {
  for (const expression of expressions) sum += new DiceRoll(expression).total;
}
const used = process.cpuUsage(start);
const seconds = (used.user + used.system) / 1e6;
if (sum === 0) process.stderr.write('no dice were rolled\n');
process.stdout.write(`${count * expressions.length} ${seconds}\n`);
