// A small seeded generator (mulberry32) for the scripts that write generated tables: the same
// seed always gives the same tables, whatever Node's Math.random does.
'use strict';

module.exports = function seededRandom(seed) {
  let state = Number(seed) >>> 0;
  return function random() {
    state = (state + 0x6d2b79f5) >>> 0;
    let t = state;
    t = Math.imul(t ^ (t >>> 15), t | 1);
    t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
};
