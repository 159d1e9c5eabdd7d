#!/usr/bin/env node
// Rolls a table many times through the web engine under Node.js, in one process, and prints
// "rolls seconds": the time of the rolls alone, after one warm-up call, as a page would make them.
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
  // The page reads the document after every roll; so does this.
  const roll = (seed) => {
    const answer = call('fw_roll', table, '[]', countArg, String(seed));
    const start = engine._fw_document();
    answer.document = decoder.decode(engine.HEAPU8.subarray(start, start + engine._fw_document_length()));
    return answer;
  };
  roll(0);
  const start = process.hrtime.bigint();
  let rolls = 0;
  for (let i = 1; i <= Number(callsArg); ++i) rolls += roll(i).rolls;
  const seconds = Number(process.hrtime.bigint() - start) / 1e9;
  process.stdout.write(`${rolls} ${seconds}\n`);
});
