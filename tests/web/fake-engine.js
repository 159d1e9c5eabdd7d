// A stand-in for the web engine, for trying the published page in a browser before the real
// engine is built: the same factory and fw_* functions, answering with made-up documents.
// Publish with: fablewick-cli publish TABLE --engine tests/web/fake-engine.js -o /tmp/page.html
var FablewickEngine = function (module) {
  'use strict';
  var files = {};
  var counter = 0;
  var note = 'a note';
  var lastTable = '';
  var lastCount = 1;
  var tables = [];
  module.FS = {
    mkdir: function (path) {
      if (files[path]) throw new Error('exists');
      files[path] = 'folder';
    },
    writeFile: function (path, bytes) { files[path] = bytes; }
  };
  function documentOf(table, count) {
    var body = '';
    for (var i = 0; i < count; i++) {
      counter++;
      body += 'Roll ' + (i + 1) + ' of ' + table + ': <a class="clsLink" href="reg' + i +
          '://again">result ' + counter + '</a> with <a class="clsLink" style="color:green" ' +
          'href="nte0://">' + note + '</a><BR>\r\n<BR>\r\n';
    }
    return '<HTML>\r\n<HEAD>\r\n<TITLE>' + table + '</TITLE>\r\n<link href="/fablewick/link.css"' +
        ' type="text/css" rel="stylesheet">\r\n</HEAD>\r\n<BODY>\r\n' + body +
        '</BODY>\r\n</HTML>\r\n';
  }
  var api = {
    fw_open: function () {
      tables = Object.keys(files).filter(function (p) { return /\.tab$/.test(p); })
          .map(function (p) {
            var parts = p.split('/');
            return {category: parts[3], table: parts[4].replace(/\.tab$/, '')};
          });
      return {tables: tables};
    },
    fw_select: function () {
      return {ok: true, parameters: [
        {variable: 'Keeper', prompt: 'Innkeeper', list: true, options: ['Dwarf', 'Elf'],
         value: '1'},
        {variable: 'Name', prompt: 'Name of the inn', list: false, options: [], value: 'Rose'}]};
    },
    fw_roll: function (table, values, count) {
      lastTable = table;
      lastCount = Math.max(0, parseInt(count, 10) || 0);
      module.onMessage('Fake engine', 'Rolled with ' + values);
      return {ok: true, rolls: lastCount, document: documentOf(table, lastCount)};
    },
    fw_click: function (href) {
      if (/^reg/.test(href)) return {kind: 'reroll', document: documentOf(lastTable, lastCount)};
      if (/^nte/.test(href)) return {kind: 'note', number: '0', text: note};
      return {kind: 'other'};
    },
    fw_set_note: function (number, text) {
      note = text;
      counter -= lastCount;
      return {document: documentOf(lastTable, lastCount)};
    }
  };
  module.ccall = function (name, returns, types, args) {
    return JSON.stringify(api[name].apply(null, args));
  };
  return Promise.resolve(module);
};
