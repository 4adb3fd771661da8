// The page around the program: loads the module and the test archive (from
// the page's own folder, or one the person chooses or drops), asks the
// full-screen question, shows the screen while the test runs, and offers
// the files at the end. The program's working folder lives in the page and
// is kept in the browser's storage. window.meridoka is the test hook
// (web/README.md).

import createMeridoka from './meridoka.js';
import { Folder } from './folder.js';
import { Run } from './run.js';
import { downloadLink, saveNow } from './download.js';
import { openStorage } from './storage.js';

const $ = (id) => document.getElementById(id);
const box = $('box'), message = $('message');
let run = null;
let pageState = 'loading';
let module = null;       // the compiled WebAssembly module
let archiveLabel = '';
let storage = null;      // IndexedDB, when the browser has it
const folder = new Folder(fileSaved);

window.meridoka = {
  state: () => (run ? run.state : pageState),
  waits: () => (run ? run.waits : 0),
  status: () => (run ? run.status : null),
  holdBeforeNextWait: () => { if (run) run.holdBusy = true; },
  release: () => { if (run) run.release(); },
  marks: () => (run ? run.marks : []),
};

function say(text, { error = false } = {}) {
  message.textContent = text;
  box.classList.toggle('error', error);
}

// Files of the program's own (not the archive, not screenshots, which are
// downloaded at once) are kept; the page lists them.
function kept(name) {
  return !/^MERIDOKA\.WDL$|\.bmp$/i.test(name);
}

function fileSaved(name, bytes) {
  if (run) run.written.add(name.toUpperCase());
  if (/\.bmp$/i.test(name)) saveNow(name, bytes);
  if (!kept(name)) return;
  if (storage) storage.saveFile(name, bytes);
  listKept();
}

function listKept() {
  const names = folder.names().filter(kept).sort();
  const list = $('kept-files');
  list.replaceChildren(...names.map((n) => downloadLink(n, folder.get(n), n)));
  $('kept-count').textContent = names.length;
  $('kept').hidden = !names.length;
}

function showChooser(on) {
  $('archive-name').textContent = archiveLabel ? `Test: ${archiveLabel}` : '';
  $('choose').hidden = !on;
}

// ---- what a run asks of the page --------------------------------------------

const page = {
  stage: $('stage'),

  askFullScreen() {
    say('Run in fullscreen mode?');
    $('question').hidden = false;
    showChooser(true);
    $('yes').focus();
    return new Promise((answer) => {
      const done = (full) => {
        $('question').hidden = true;
        $('yes').onclick = $('no').onclick = $('question').onkeydown = null;
        if (full) enterFullScreen();
        answer(full);
      };
      $('yes').onclick = () => done(true);
      $('no').onclick = () => done(false);
      $('question').onkeydown = (e) => {
        if (e.key === 'Escape') done(false);
      };
    });
  },

  showStage(on) {
    $('stage').hidden = !on;
    $('panel').hidden = on;
    if (!on && document.fullscreenElement) document.exitFullscreen().catch(() => {});
  },

  showError(text) {
    say(text.trim(), { error: true });
  },

  ended(finished) {
    const links = $('downloads');
    links.replaceChildren();
    if (finished.status === 0) {
      say('The test has ended. Thank you.');
      // what this run wrote (an older result file may be in the folder)
      for (const name of ['RESULT-W.TXT'])
        if (finished.written.has(name)) links.append(downloadLink(name, folder.get(name)));
    }
    links.hidden = !links.children.length;
    showChooser(finished.status !== 0);
  },
};

// Full screen on the person's click; a refusal leaves the page as it is.
function enterFullScreen() {
  const root = document.documentElement;
  if (!root.requestFullscreen) return;
  root.requestFullscreen().then(() => {
    // Esc for the test, not for leaving full screen (holding it still leaves)
    if (navigator.keyboard && navigator.keyboard.lock) navigator.keyboard.lock(['Escape']).catch(() => {});
  }).catch(() => {});
}

// ---- starting runs --------------------------------------------------------

async function compile() {
  const response = await fetch('meridoka.wasm');
  if (!response.ok) throw new Error(`meridoka.wasm: ${response.status} ${response.statusText}`);
  const type = response.headers.get('content-type') || '';
  if (WebAssembly.compileStreaming && type.startsWith('application/wasm'))
    return WebAssembly.compileStreaming(response);
  return WebAssembly.compile(await response.arrayBuffer());
}

// The archive from the page's own folder (index.html asked for it), or null.
async function archiveFromFolder() {
  try {
    const response = await (window.meridokaArchive || fetch('MERIDOKA.WDL', { cache: 'no-cache' }));
    return response && response.ok ? new Uint8Array(await response.arrayBuffer()) : null;
  } catch {
    return null;
  }
}

// A new run on these archive bytes (null: none). A run still at its
// question gives way; a test in progress is never interrupted.
function begin(archive, label) {
  if (run && run.state !== 'question' && run.state !== 'ended') return;
  if (run) run.abandon();
  archiveLabel = label;
  $('downloads').hidden = true;
  run = new Run(page, folder, archive);
  run.start(createMeridoka, module);
}

async function chosen(file) {
  if (!file) return;
  const bytes = new Uint8Array(await file.arrayBuffer());
  begin(bytes, `${file.name}, ${bytes.length.toLocaleString('en')} bytes`);
}

async function load() {
  if (typeof WebAssembly !== 'object') {
    pageState = 'unsupported';
    return;
  }
  say('Loading the test...');
  const archive = archiveFromFolder(), stored = openStorage();
  try {
    module = await compile();
  } catch (error) {
    pageState = 'failed';
    say(`The program could not be loaded (${error.message}). Open this page through a web server.`, { error: true });
    return;
  }
  storage = await stored;
  if (storage) for (const f of await storage.files()) folder.put(f.name, f.bytes);
  listKept();
  const bytes = await archive;
  begin(bytes, bytes ? `MERIDOKA.WDL from this page's folder, ${bytes.length.toLocaleString('en')} bytes` : '');
}

$('file').addEventListener('change', (e) => chosen(e.target.files[0]));
document.addEventListener('dragover', (e) => {
  e.preventDefault();
  document.body.classList.add('dropping');
});
document.addEventListener('dragleave', () => document.body.classList.remove('dropping'));
document.addEventListener('drop', (e) => {
  e.preventDefault();
  document.body.classList.remove('dropping');
  chosen(e.dataTransfer.files[0]);
});
// Leaving the page ends the test as closing the window does.
window.addEventListener('pagehide', () => {
  if (storage) storage.leaving();
  if (run) run.leave();
});

load();
