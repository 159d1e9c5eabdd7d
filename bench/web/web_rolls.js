#!/usr/bin/env node
// Rolls a table many times through the web engine under Node.js, in one process, and prints
// "rolls seconds decode_seconds": the time of the engine's rolls, each call making the whole
// results document in the module's memory as fablewick-cli makes it for its output, after one
// warm-up call; then the time the page's script takes to decode those documents into its own
// text, which a page adds to show them.
//
//   node web_rolls.js ENGINE.js TABLES_FOLDER TABLE COUNT_PER_CALL CALLS
'use strict';
const fs = require('fs');
const path = require('path');

const [enginePath, tablesFolder, table, countArg, callsArg] = process.argv.slice(2);
if (!callsArg) {
  process.stderr.write('usage: web_rolls.js ENGINE.js TABLES_FOLDER TABLE COUNT_PER_CALL CALLS\n');
  process.exit(2);
}

// Copies the tables folder into the module's file system, as a published page does.
function copyInto(FS, from, to) {
  FS.mkdirTree(to);
  for (const entry of fs.readdirSync(from, { withFileTypes: true })) {
    const source = path.join(from, entry.name);
    if (entry.isDirectory()) copyInto(FS, source, to + '/' + entry.name);
    else FS.writeFile(to + '/' + entry.name, fs.readFileSync(source));
  }
}

require(path.resolve(enginePath))().then((engine) => {
  copyInto(engine.FS, tablesFolder, '/fablewick/Tables');
  const call = (name, ...args) =>
    JSON.parse(engine.ccall(name, 'string', args.map(() => 'string'), args));
  const decoder = new TextDecoder();
  call('fw_open', '/fablewick');
  if (!call('fw_select', table).ok) throw new Error('cannot load ' + table);
  const roll = (seed) => call('fw_roll', table, '[]', countArg, String(seed));
  const documentText = () => {
    const start = engine._fw_document();
    return decoder.decode(engine.HEAPU8.subarray(start, start + engine._fw_document_length()));
  };
  roll(0);
  let rolls = 0, seconds = 0, decoding = 0;
  for (let i = 1; i <= Number(callsArg); ++i) {
    const start = process.hrtime.bigint();
    rolls += roll(i).rolls;
    const rolled = process.hrtime.bigint();
    documentText();
    seconds += Number(rolled - start) / 1e9;
    decoding += Number(process.hrtime.bigint() - rolled) / 1e9;
  }
  process.stdout.write(`${rolls} ${seconds} ${decoding}\n`);
});
