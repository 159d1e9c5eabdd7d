// The published page: writes its bundled files into the web engine's file system, then offers
// the tables as the window does. Rolls, re-roll links and notes go through the engine's fw_*
// functions; the results document is shown whole in a frame, with the bundled style sheet.
(function () {
  'use strict';
  var HOME = '/fablewick';
  var bundle = JSON.parse(document.getElementById('fw-bundle').textContent);
  var engine = null;
  var linkCss = '';
  var current = '';
  var fields = [];   // the parameter fields, in the order the table declares them
  var messages = []; // message boxes shown during a call, for the dialog afterwards
  var frame = byId('fw-results');

  function byId(id) { return document.getElementById(id); }

  function status(text) { byId('fw-status').textContent = text; }

  function decode(base64) {
    var text = atob(base64);
    var bytes = new Uint8Array(text.length);
    for (var i = 0; i < text.length; i++) bytes[i] = text.charCodeAt(i);
    return bytes;
  }

  // The engine's results document, decoded at once from its memory.
  var decoder = new TextDecoder();
  function documentText() {
    var start = engine._fw_document();
    return decoder.decode(engine.HEAPU8.subarray(start, start + engine._fw_document_length()));
  }

  // Calls an engine function with text arguments; its answer is JSON. The message boxes it
  // shows are gathered and shown together once it returns.
  function call(name) {
    var args = Array.prototype.slice.call(arguments, 1);
    var types = args.map(function () { return 'string'; });
    var answer;
    try {
      answer = JSON.parse(engine.ccall(name, 'string', types, args));
      // A roll, a re-roll and a note change the results document, which comes as it stands.
      if (answer.ok && (name === 'fw_roll' || name === 'fw_set_note' || answer.kind === 'reroll')) {
        answer.document = documentText();
      }
    } catch (error) {
      // An engine that stops (a fault, memory running out) leaves the page as it was.
      messages.push({title: 'Fablewick', text: 'The engine failed: ' + error});
      answer = {ok: false, kind: 'other', parameters: [], tables: []};
    }
    showMessages();
    return answer;
  }

  function showMessages() {
    if (!messages.length) return;
    var box = byId('fw-messages');
    box.textContent = '';
    messages.forEach(function (m) {
      var title = document.createElement('h3');
      title.textContent = m.title;
      var text = document.createElement('p');
      text.textContent = m.text;
      box.appendChild(title);
      box.appendChild(text);
    });
    messages = [];
    var dialog = byId('fw-dialog');
    if (dialog.showModal) {
      if (!dialog.open) dialog.showModal();
    } else {
      window.alert(box.textContent);
    }
  }

  function writeFiles() {
    bundle.files.forEach(function (file) {
      var path = HOME + '/' + file.path;
      var parts = path.split('/');
      for (var i = 2; i < parts.length; i++) {
        var folder = parts.slice(0, i).join('/');
        try { engine.FS.mkdir(folder); } catch (e) { /* it is there already */ }
      }
      var bytes = decode(file.data);
      engine.FS.writeFile(path, bytes);
      if (file.path === 'link.css') linkCss = new TextDecoder().decode(bytes);
    });
  }

  // The results document with the bundled style sheet in place of its link to one.
  function show(html) {
    var style = '<meta name="viewport" content="width=device-width, initial-scale=1">' +
        '<style>body{overflow-wrap:break-word}img{max-width:100%}</style>' +
        '<style>' + linkCss.replace(/<\//g, '<\\/') + '</style>';
    var linked = /<link\b[^>]*link\.css[^>]*>/i;
    frame.srcdoc = linked.test(html) ? html.replace(linked, function () { return style; })
                                     : style + html;
  }

  function showAnswer(answer) {
    if (answer.document) {
      show(answer.document);
    } else {
      status(answer.problem || 'The engine gave no results.');
    }
  }

  function fitFrame() {
    var doc = frame.contentDocument;
    if (!doc || !doc.documentElement) return;
    // The root element's own height, which unlike scrollHeight does not grow to fill the frame,
    // so a shorter document shrinks it again.
    var height = Math.ceil(doc.documentElement.getBoundingClientRect().height) + 2;
    if (frame.style.height !== height + 'px') frame.style.height = height + 'px';
  }

  // The frame is as tall as its document, so the page scrolls as one; the document grows when
  // the frame narrows (a scroll bar coming, a phone turned) and its text wraps again.
  var resized = window.ResizeObserver ? new ResizeObserver(function () { fitFrame(); }) : null;
  frame.addEventListener('load', function () {
    var doc = frame.contentDocument;
    if (!doc) return;
    doc.addEventListener('click', followLink);
    fitFrame();
    if (resized && doc.body) resized.observe(doc.body);
  });
  if (resized) resized.observe(frame);
  window.addEventListener('resize', fitFrame);

  function followLink(event) {
    var link = event.target.closest ? event.target.closest('a[href]') : null;
    if (!link) return;
    var address = link.getAttribute('href');
    if (address.charAt(0) === '#') return;
    event.preventDefault();
    var answer = call('fw_click', address);
    if (answer.kind === 'reroll') {
      showAnswer(answer);
    } else if (answer.kind === 'note') {
      var text = window.prompt('Note', answer.text);
      if (text !== null) showAnswer(call('fw_set_note', String(answer.number), text));
    } else if (answer.ok === false) {
      status(answer.problem || 'The link cannot be followed.');
    } else if (/^https?:/i.test(address)) {
      window.open(address, '_blank', 'noopener');
    }
  }

  function parameterField(parameter) {
    var label = document.createElement('label');
    label.textContent = parameter.prompt || parameter.variable;
    var field;
    if (parameter.list) {
      field = document.createElement('select');
      parameter.options.forEach(function (option, i) {
        var item = document.createElement('option');
        item.value = String(i + 1);
        item.textContent = option;
        field.appendChild(item);
      });
    } else {
      field = document.createElement('input');
    }
    field.value = String(parameter.value);
    label.appendChild(field);
    return {label: label, field: field};
  }

  function selectTable(name) {
    current = name;
    byId('fw-name').textContent = name;
    var chosen = call('fw_select', name);
    var box = byId('fw-params');
    box.textContent = '';
    fields = [];
    if (!chosen.ok) {
      status(chosen.problem || 'The table "' + name + '" cannot be loaded.');
      return;
    }
    chosen.parameters.forEach(function (parameter) {
      var made = parameterField(parameter);
      box.appendChild(made.label);
      fields.push(made.field);
    });
    roll();
  }

  function roll() {
    var values = fields.map(function (field) { return field.value; });
    var seed = byId('fw-seed').value.trim();
    var rolled = call('fw_roll', current, JSON.stringify(values), byId('fw-count').value, seed);
    if (!rolled.ok) {
      status(rolled.problem || 'The table "' + current + '" cannot be rolled.');
      return;
    }
    show(rolled.document);
    status(rolled.rolls === 1 ? '1 roll' : rolled.rolls + ' rolls');
  }

  function copyResults() {
    var doc = frame.contentDocument;
    var text = doc && doc.body ? doc.body.innerText : '';
    var done = function () { status('Results copied.'); };
    if (navigator.clipboard && navigator.clipboard.writeText) {
      navigator.clipboard.writeText(text).then(done, function () { copyBySelection(text); });
    } else {
      copyBySelection(text);
    }
  }

  function copyBySelection(text) {
    var area = document.createElement('textarea');
    area.value = text;
    document.body.appendChild(area);
    area.select();
    var copied = false;
    try { copied = document.execCommand('copy'); } catch (e) { copied = false; }
    document.body.removeChild(area);
    status(copied ? 'Results copied.' : 'The results could not be copied.');
  }

  function option(list, text) {
    var item = document.createElement('option');
    item.value = item.textContent = text;
    list.appendChild(item);
  }

  // The window's two lists: categories, then the tables of the chosen one.
  function offerLists(tables) {
    var categories = [];
    tables.forEach(function (t) {
      if (categories.indexOf(t.category) < 0) categories.push(t.category);
    });
    var categoryList = byId('fw-category');
    var tableList = byId('fw-table');
    categories.forEach(function (c) { option(categoryList, c); });
    var fillTables = function () {
      tableList.textContent = '';
      tables.forEach(function (t) {
        if (t.category === categoryList.value) option(tableList, t.table);
      });
    };
    categoryList.addEventListener('change', function () {
      fillTables();
      selectTable(tableList.value);
    });
    tableList.addEventListener('change', function () { selectTable(tableList.value); });
    fillTables();
    byId('fw-lists').hidden = false;
  }

  function start() {
    writeFiles();
    call('fw_open', HOME);
    var tables = bundle.tables;
    if (!tables.length) {
      status('This page holds no tables.');
      return;
    }
    if (tables.length > 1) offerLists(tables);
    byId('fw-form').addEventListener('submit', function (event) {
      event.preventDefault();
      roll();
    });
    byId('fw-copy').addEventListener('click', copyResults);
    selectTable(tables[0].table);
  }

  if (typeof FablewickEngine !== 'function') {
    status('This page holds no web engine.');
    return;
  }
  FablewickEngine({
    onMessage: function (title, text) { messages.push({title: title, text: text}); },
    onOkCancel: function (title, text) { return window.confirm(title + '\n\n' + text); },
    onYesNo: function (title, text) { return window.confirm(title + '\n\n' + text); },
    onInput: function (prompt, title, answer) { return window.prompt(prompt, answer); },
    print: function (text) { console.log(text); },
    printErr: function (text) { console.warn(text); }
  }).then(function (instance) {
    engine = instance;
    start();
  }, function (error) {
    status('The engine could not start: ' + error);
  });
})();
