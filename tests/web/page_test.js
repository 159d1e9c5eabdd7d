#!/usr/bin/env node
// Publishes every table of a library as a web page, opens each page from disk in headless
// Chromium through ChromeDriver, and checks what a player would see:
//   - the page is one file under 2.5 MB, and rolls its table at once;
//   - typing a roll count and a seed and pressing Roll gives the very results that
//     `fablewick-cli --seed SEED --format html roll TABLE -n COUNT` writes (for a table whose
//     lines use what a page cannot run, add-ons and programs, the page's own message stands
//     there instead: such a table is held against the web engine under Node.js alone);
//   - clicking a re-roll link rolls that part again in place, giving the document that the web
//     engine gives for the same steps under Node.js.
// Last, tables that recurse without end through each kind of construct must end with the
// nesting error in the page too: the browser's own stack, smaller than a program's, must hold
// the deepest nesting a page allows.
//
// Input boxes are answered with their default answer, as the command line answers them without
// --answer: the browser's own prompt would stop the page until a person answers it.
//
//   node page_test.js FABLEWICK_CLI HOME ENGINE.js OUT_DIR [SCREENSHOT.png]
'use strict';
const {spawn, spawnSync, execFileSync} = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');

const [cli, home, enginePath, outDir, screenshot] = process.argv.slice(2);
if (!outDir) {
  process.stderr.write('usage: page_test.js FABLEWICK_CLI HOME ENGINE.js OUT_DIR [SCREENSHOT.png]\n');
  process.exit(2);
}
const SEED = '11';
const COUNT = '2';

// ---- ChromeDriver, spoken to over its HTTP interface ----
const port = 9515 + (process.pid % 1000);
const base = `http://127.0.0.1:${port}`;
let session = '';

async function webdriver(method, route, body) {
  const response = await fetch(`${base}${route}`, {
    method,
    headers: {'Content-Type': 'application/json'},
    body: body === undefined ? undefined : JSON.stringify(body),
  });
  const answer = await response.json();
  if (answer.value && answer.value.error) {
    throw new Error(`${method} ${route}: ${answer.value.error}: ${answer.value.message}`);
  }
  return answer.value;
}
const command = (method, route, body) => webdriver(method, `/session/${session}${route}`, body);
const script = (source, ...args) => command('POST', '/execute/sync', {script: source, args});
// An element's reference is the one value of the object WebDriver answers with.
const ELEMENT_KEY = 'element-6066-11e4-a52e-4f735466cecf';
const element = async (css) =>
  Object.values(await command('POST', '/element', {using: 'css selector', value: css}))[0];
const elementRef = (id) => ({[ELEMENT_KEY]: id});

async function waitFor(what, test, seconds = 30) {
  const end = Date.now() + seconds * 1000;
  for (;;) {
    const value = await test();
    if (value) return value;
    if (Date.now() > end) throw new Error(`timed out waiting for ${what}`);
    await new Promise((resolve) => setTimeout(resolve, 50));
  }
}

// ---- what the page should show ----
// The results of a results document: what stands between its BODY tag and "</BODY>".
function resultsOf(html) {
  const body = html.search(/<BODY[^>]*>/i);
  const end = html.lastIndexOf('</BODY>');
  if (body < 0 || end < 0) return null;
  return html.slice(html.indexOf('>', body) + 1, end);
}

// The same steps through the web engine under Node.js, on the page's own bundled files.
async function engineSteps(pageFile, table, href) {
  const page = fs.readFileSync(pageFile, 'utf8');
  const bundle = JSON.parse(
      page.match(/<script type="application\/json" id="fw-bundle">([\s\S]*?)<\/script>/)[1]);
  const engine = await require(path.resolve(enginePath))({print: () => {}, printErr: () => {}});
  for (const file of bundle.files) {
    const target = '/fablewick/' + file.path;
    engine.FS.mkdirTree(path.posix.dirname(target));
    engine.FS.writeFile(target, Buffer.from(file.data, 'base64'));
  }
  const call = (name, ...args) =>
    JSON.parse(engine.ccall(name, 'string', args.map(() => 'string'), args));
  const documentText = () => {
    const start = engine._fw_document();
    return Buffer.from(engine.HEAPU8.subarray(start, start + engine._fw_document_length()))
        .toString('utf8');
  };
  call('fw_open', '/fablewick');
  const chosen = call('fw_select', table);
  const values = chosen.parameters.map((parameter) => String(parameter.value));
  call('fw_roll', table, JSON.stringify(values), COUNT, SEED);
  call('fw_click', href);
  return documentText();
}

// Closes the page's message dialog with its OK button, when it is open, as a player would.
async function dismissMessages() {
  if (await script('return document.getElementById("fw-dialog").open')) {
    await command('POST', `/element/${await element('#fw-dialog button')}/click`, {});
  }
}

async function checkTable(table, index) {
  const pageFile = path.join(outDir, `page${index}.html`);
  const published = spawnSync(cli, ['--home', home, 'publish', table, '-o', pageFile],
                              {encoding: 'utf8'});
  if (published.status !== 0) throw new Error(`${table}: publish failed: ${published.stderr}`);
  const size = fs.statSync(pageFile).size;
  if (size >= 2.5e6) throw new Error(`${table}: the page is ${size} bytes, 2.5 MB or more`);
  const runsEverywhere = !published.stderr.includes('cannot run in a web page');
  const expected = runsEverywhere ?
      resultsOf(execFileSync(
          cli, ['--home', home, '--seed', SEED, '--format', 'html', 'roll', table, '-n', COUNT],
          {encoding: 'utf8', stdio: ['ignore', 'pipe', 'pipe']})) :
      null;

  await command('POST', '/url', {url: 'file://' + path.resolve(pageFile)});
  const shown = () => script('return document.getElementById("fw-results").srcdoc || ""');
  await waitFor(`${table}: the first roll`, shown);
  await dismissMessages();

  // A roll count and a seed typed into their fields, then Roll pressed.
  for (const [id, text] of [['#fw-count', COUNT], ['#fw-seed', SEED]]) {
    const field = await element(id);
    await command('POST', `/element/${field}/clear`, {});
    await command('POST', `/element/${field}/value`, {text});
  }
  await script('document.getElementById("fw-results").srcdoc = ""');
  await command('POST', `/element/${await element('#fw-roll')}/click`, {});
  const rolled = await waitFor(`${table}: the seeded roll`, shown);
  await dismissMessages();
  if (expected !== null && resultsOf(rolled) !== expected) {
    throw new Error(`${table}: the page's results differ from fablewick-cli's:\n` +
                    `page: ${resultsOf(rolled)}\ncli:  ${expected}`);
  }

  // A click on the first re-roll link, inside the results frame.
  const href = await script(`const link = document.getElementById("fw-results").contentDocument
      .querySelector('a[href^="reg"]'); return link ? link.getAttribute("href") : null;`);
  const like = expected !== null ? 'as fablewick-cli' : 'with messages where it cannot run';
  if (href === null) {
    return `${table}: ${(size / 1e6).toFixed(2)} MB, rolled ${like} (no re-roll link in its results)`;
  }
  await command('POST', '/frame', {id: elementRef(await element('#fw-results'))});
  await command('POST', `/element/${await element('a[href^="reg"]')}/click`, {});
  await command('POST', '/frame/parent', {});
  await dismissMessages();
  const rerolled = await waitFor(`${table}: the re-roll`, async () => {
    const now = await shown();
    return now !== rolled ? now : null;
  }).catch(() => rolled);
  const want = resultsOf(await engineSteps(pageFile, table, href));
  if (resultsOf(rerolled) !== want) {
    throw new Error(`${table}: after the re-roll click the page holds:\n${resultsOf(rerolled)}\n` +
                    `the engine gives:\n${want}`);
  }
  return `${table}: ${(size / 1e6).toFixed(2)} MB, rolled ${like}, re-roll link ` +
         `${href.slice(0, 40)} rolled again`;
}

const ENDLESS = {
  Function: ':Start\n1,a{UCase~[Start]}\n',
  Condition: ':Start\n1,b{If~1=1?[Start]/x}\n',
  Assignment: ':Start\n1,c|A=[Start]|%A%\n',
  Arithmetic: ':Start\n1,d{Calc~1+{Length~{LCase~[Start]}}}\n',
  Loop: ':Start\n1,e{Loop~1,[Start]}\n',
  Select: ':Start\n1,f{Select~1~[Start]~b}\n',
};

async function checkEndlessRecursion(index) {
  const library = fs.mkdtempSync(path.join(os.tmpdir(), 'fablewick-endless-'));
  try {
    fs.mkdirSync(path.join(library, 'Tables', 'Endless'), {recursive: true});
    for (const [name, text] of Object.entries(ENDLESS)) {
      fs.writeFileSync(path.join(library, 'Tables', 'Endless', `${name}.tab`), `%A%,\n${text}`);
    }
    for (const name of Object.keys(ENDLESS)) {
      const pageFile = path.join(outDir, `endless${index++}.html`);
      execFileSync(cli, ['--home', library, 'publish', name, '--engine', enginePath, '-o', pageFile],
                   {stdio: 'pipe'});
      await command('POST', '/url', {url: 'file://' + path.resolve(pageFile)});
      const shown = await waitFor(`${name}: its roll`, () => script(
          'return document.getElementById("fw-results").srcdoc || ""'));
      if (!shown.includes('Nesting too deep, possible endless recursion')) {
        throw new Error(`endless recursion through ${name}: the page shows ${resultsOf(shown)}`);
      }
    }
  } finally {
    fs.rmSync(library, {recursive: true, force: true});
  }
  return `endless recursion through ${Object.keys(ENDLESS).join(', ')}: the nesting error`;
}

async function main() {
  fs.mkdirSync(outDir, {recursive: true});
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'fablewick-chromium-'));
  const driver = spawn('chromedriver', [`--port=${port}`], {stdio: 'ignore'});
  let failures = 0;
  try {
    await waitFor('ChromeDriver', () => fetch(`${base}/status`).then(() => true, () => false));
    const created = await webdriver('POST', '/session', {
      capabilities: {
        alwaysMatch: {
          browserName: 'chrome',
          'goog:chromeOptions': {
            binary: '/usr/bin/chromium',
            args: ['--headless', '--no-sandbox', '--disable-gpu', '--no-first-run',
                   '--disable-background-networking', '--disable-component-update',
                   '--disable-sync', '--disable-dev-shm-usage', `--user-data-dir=${profile}`,
                   '--window-size=420,900'],
          },
        },
      },
    });
    session = created.sessionId;
    await command('POST', '/goog/cdp/execute', {
      cmd: 'Page.addScriptToEvaluateOnNewDocument',
      params: {source: 'window.prompt = (text, answer) => answer === undefined ? "" : answer;'},
    });
    const tables = execFileSync(cli, ['--home', home, 'list'], {encoding: 'utf8'})
                       .split('\n').filter(Boolean).map((line) => line.split('\t')[1]);
    for (const [index, table] of tables.entries()) {
      try {
        console.log('ok   ' + await checkTable(table, index));
        if (screenshot && table === 'Random Inn') {
          fs.writeFileSync(screenshot, Buffer.from(await command('GET', '/screenshot'), 'base64'));
        }
      } catch (error) {
        ++failures;
        console.log('FAIL ' + error.message);
      }
    }
    try {
      console.log('ok   ' + await checkEndlessRecursion(tables.length));
    } catch (error) {
      ++failures;
      console.log('FAIL ' + error.message);
    }
    await command('DELETE', '');
  } finally {
    driver.kill();
    fs.rmSync(profile, {recursive: true, force: true});
  }
  console.log(failures ? `${failures} of the pages failed` : 'every page rolled in Chromium');
  process.exit(failures ? 1 : 0);
}

main().catch((error) => {
  console.error('page_test: ' + error.message);
  process.exit(1);
});
