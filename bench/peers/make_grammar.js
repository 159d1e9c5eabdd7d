#!/usr/bin/env node
// Writes one randomly generated grammar twice: as a Fablewick table and as a JSON grammar for
// the peer expander, so that both expand exactly the same rules.
//
//   node make_grammar.js OUT_DIR [SYMBOLS] [ALTERNATIVES] [SEED]
//
// OUT_DIR/Tables/Bench/Grammar.tab holds one weighted group per symbol (every alternative of
// weight 1) and the group Start; OUT_DIR/grammar.json holds the same symbols with "origin" for
// Start. Alternatives are a few literal words and up to two references to later symbols, so
// every expansion ends; the same seed always writes the same grammar.
'use strict';
const fs = require('fs');
const path = require('path');

const [outDir, symbolsArg = '300', alternativesArg = '6', seedArg = '1'] = process.argv.slice(2);
if (!outDir) {
  process.stderr.write('usage: make_grammar.js OUT_DIR [SYMBOLS] [ALTERNATIVES] [SEED]\n');
  process.exit(2);
}
const symbols = Number(symbolsArg);
const alternatives = Number(alternativesArg);

// The same seed always writes the same grammar.
const random = require('./seeded_random.js')(seedArg);
const below = (n) => Math.floor(random() * n);

const words = ('old red quiet dark bright small great lost hidden golden iron silver stone ' +
  'river forest tower gate bridge market tavern keeper knight witch merchant thief priest ' +
  'dragon wolf raven crown sword lantern map coin ring cloak storm winter dawn dusk ' +
  'whispers waits sings hunts guards sleeps burns wanders watches trades').split(' ');

const name = (i) => `s${i}`;
// Up to two references per alternative to one of the next 40 symbols; none from the last ones.
function alternative(i) {
  const parts = [];
  const wordCount = 1 + below(3);
  for (let w = 0; w < wordCount; ++w) parts.push({ word: words[below(words.length)] });
  const roll = random();
  const refs = i + 1 >= symbols ? 0 : roll < 0.4 ? 0 : roll < 0.85 ? 1 : 2;
  for (let r = 0; r < refs; ++r) {
    const target = i + 1 + below(Math.min(40, symbols - i - 1));
    parts.splice(below(parts.length + 1), 0, { ref: target });
  }
  return parts;
}

const rules = [];
for (let i = 0; i < symbols; ++i) {
  const alts = [];
  for (let a = 0; a < alternatives; ++a) alts.push(alternative(i));
  rules.push(alts);
}
const origin = [[{ ref: below(20) }, { word: 'and' }, { ref: below(20) }, { ref: below(20) }]];

const asTab = (parts) => parts.map((p) => ('ref' in p ? `[${name(p.ref)}]` : p.word)).join(' ');
const asJson = (parts) => parts.map((p) => ('ref' in p ? `#${name(p.ref)}#` : p.word)).join(' ');

let tab = '# A generated grammar for timing expansion against a peer expander\r\n';
tab += ';Start\r\n' + origin.map((alt) => `1,${asTab(alt)}\r\n`).join('');
rules.forEach((alts, i) => {
  tab += `;${name(i)}\r\n` + alts.map((alt) => `1,${asTab(alt)}\r\n`).join('');
});
const json = { origin: origin.map(asJson) };
rules.forEach((alts, i) => {
  json[name(i)] = alts.map(asJson);
});

fs.mkdirSync(path.join(outDir, 'Tables', 'Bench'), { recursive: true });
fs.writeFileSync(path.join(outDir, 'Tables', 'Bench', 'Grammar.tab'), tab);
fs.writeFileSync(path.join(outDir, 'grammar.json'), JSON.stringify(json));
