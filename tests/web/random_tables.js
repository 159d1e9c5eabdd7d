#!/usr/bin/env node
// Writes COUNT random tables, seeded, that use the table language broadly (dice-range and
// weighted groups, calls with prefixes and parameters, variables and assignments, numbers,
// text functions, conditions, loops, no-repeat groups, parameters), then rolls each with the
// native fablewick-cli and with the web build's, and requires the same bytes on standard output
// and standard error and the same exit status.
//
//   node random_tables.js NATIVE_CLI WEB_CLI WORK_DIR [COUNT] [SEED]
'use strict';
const {spawnSync} = require('child_process');
const fs = require('fs');
const path = require('path');

const [nativeCli, webCli, workDir, countArg = '200', seedArg = '1'] = process.argv.slice(2);
if (!workDir) {
  process.stderr.write('usage: random_tables.js NATIVE_CLI WEB_CLI WORK_DIR [COUNT] [SEED]\n');
  process.exit(2);
}

// The same seed always writes the same tables.
const random = require('../../bench/peers/seeded_random.js')(seedArg);
const below = (n) => Math.floor(random() * n);
const pick = (items) => items[below(items.length)];

const WORDS = ['ash', 'brook', 'cinder', 'dusk', 'ember', 'fen', 'gale', 'hollow', 'iron', 'jade',
               'kestrel', 'lantern', 'moss', 'north', 'oak', 'pike', 'quill', 'raven', 'salt',
               'thorn', 'été', 'Ölmühle', '½', 'x&y', '<i>shade</i>'];
const VARIABLES = ['A', 'B', 'Count', 'Word'];

// One piece of entry text; `later` are the groups it may call (always later ones, so that every
// roll ends), `depth` bounds the nesting of functions.
function piece(later, depth) {
  const v = () => '%' + pick(VARIABLES) + '%';
  const number = () => pick([String(below(20)), v(), `{${1 + below(3)}d${2 + below(8)}}`]);
  const inner = () => (depth > 0 ? piece(later, depth - 1) : pick(WORDS));
  const choices = [
    () => pick(WORDS),
    () => pick(WORDS) + ' ' + pick(WORDS),
    () => v(),
    () => `|${pick(VARIABLES)}=${number()}|`,
    () => `|A+${1 + below(5)}|`,
    () => `{Reset~${pick(later.length ? later : ['Start'])}}`,
    () => `{Used~${pick(later.length ? later : ['Start'])}}`,
    () => `|B*${number()}|`,
    () => `|Word=${pick(WORDS)}|`,
    () => `{Calc~${number()}${pick(['+', '-', '*', '\\', '/'])}${1 + below(9)}}`,
    () => `{Dice~${1 + below(4)}d${2 + below(10)}${pick(['', '+1', '-2', '*2'])}}`,
    () => `{Round~${number()}/${1 + below(7)},${below(3)}}`,
    () => `{If~${v()}${pick(['>', '<', '=', '>='])}${below(10)}?${inner()}/${inner()}}`,
    () => `{Loop~${1 + below(3)},${inner()} }`,
    () => `{UCase~${inner()}}`,
    () => `{Cap~${inner()}}`,
    () => `{AorAn~${inner()}}`,
    () => `{Plural~${pick(WORDS)}}`,
    () => `{Ordinal~${number()}}`,
    () => `{Left~${pick(WORDS)},${below(5)}}`,
    () => `{Mid~${pick(WORDS)},${1 + below(3)},${below(4)}}`,
    () => `{Replace~a,o,${inner()}}`,
    () => `{Max~${number()},${number()}}`,
    () => `{Min~${number()},${pick(WORDS)}}`,
    () => `{Trunc~${number()}}`,
    () => `{Param~A,%A%}`,
  ];
  if (later.length) {
    const group = () => pick(later);
    choices.push(
        () => `[${group()}]`, () => `[${group()}]`, () => `[N${2 + below(3)}~${group()}]`,
        () => `[${pick(['D4', 'RS', 'LX', 'CC', 'CN', 'LX~CC'])}~${group()}]`,
        () => `[%A%>4?${group()}/${group()}]`,
        () => `[${group()}+${below(4)}]`, () => `[${group()}=${1 + below(4)}]`,
        () => `[${group()}(${pick(WORDS)})]`);
  }
  return pick(choices)();
}

function table(index) {
  const groups = ['Start'];
  const size = 2 + below(7);
  for (let g = 1; g < size; ++g) groups.push('G' + g);
  const lines = [`# Random table ${index}`];
  for (const name of VARIABLES) lines.push(`%${name}%,${name === 'Word' ? pick(WORDS) : below(10)}`);
  if (below(3) === 0) lines.push('@A,2,Pick one,First,Second,Third', '@Word,ash,Say a word');
  groups.forEach((name, g) => {
    const later = groups.slice(g + 1);
    const entries = 1 + below(5);
    const ranged = below(2) === 0;
    lines.push('', (ranged ? ':' : ';') + (below(5) === 0 ? '!' : '') + name);
    let low = 1;
    for (let e = 0; e < entries; ++e) {
      const parts = [];
      // Every entry calls on, so that the groups below are reached.
      if (later.length) parts.push(`[${later[0]}]`);
      for (let p = 1 + below(4); p > 0; --p) parts.push(piece(later, 2));
      if (ranged) {
        const high = low + below(4);
        lines.push(`${low === high ? low : low + '-' + high},${parts.join(' ')}`);
        low = high + 1;
      } else {
        lines.push(`${1 + below(5)},${parts.join(' ')}`);
      }
    }
  });
  return lines.join('\n') + '\n';
}

function run(cli, args) {
  const result = spawnSync(cli, args, {encoding: 'latin1', timeout: 120000});
  return {out: result.stdout, err: result.stderr, status: result.status};
}

const home = path.join(workDir, 'home');
fs.rmSync(home, {recursive: true, force: true});
fs.mkdirSync(path.join(home, 'Tables', 'Random'), {recursive: true});
const count = Number(countArg);
for (let i = 0; i < count; ++i) {
  fs.writeFileSync(path.join(home, 'Tables', 'Random', `Table${i}.tab`), table(i));
}

let failures = 0;
for (let i = 0; i < count; ++i) {
  const args = ['--home', home, '--seed', String(i), '--format', pick(['html', 'text', 'xml']),
                'roll', `Table${i}`, '-n', String(1 + below(5))];
  const native = run(nativeCli, args);
  const web = run(webCli, args);
  for (const field of ['out', 'err', 'status']) {
    if (native[field] !== web[field]) {
      ++failures;
      console.log(`FAIL Table${i} (${args.slice(2).join(' ')}): ${field} differs\n` +
                  `native: ${JSON.stringify(native[field]).slice(0, 600)}\n` +
                  `web:    ${JSON.stringify(web[field]).slice(0, 600)}`);
      break;
    }
  }
}
console.log(failures ? `${failures} of ${count} random tables differ` :
                       `${count} random tables: the web build wrote the same bytes`);
process.exit(failures ? 1 : 0);
