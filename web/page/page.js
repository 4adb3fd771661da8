// The page around the program: loads the module and the test archive (from
// the page's own folder, or one the person chooses or drops), asks the
// full-screen question, shows the screen while the test runs, and offers
// the files at the end. The program's working folder lives in the page and
// is kept in the browser's storage, the session journals row by row; a
// session cut short is offered for resuming. window.meridoka is the test
// hook (web/README.md).

import createMeridoka from './meridoka.js';
import { Folder } from './folder.js';
import { Run } from './run.js';
import { downloadLink, saveNow } from './download.js';
import { openStorage } from './storage.js';
import { isJournal, resumable } from './journal.js';
import { Poster } from './poster.js';

const $ = (id) => document.getElementById(id);
const box = $('box'), message = $('message');
let run = null;
let pageState = 'loading';
let module = null;       // the compiled WebAssembly module
let archiveLabel = '';
let storage = null;      // IndexedDB, when the browser has it
const folder = new Folder(fileSaved, fileRemoved);
const config = JSON.parse($('meridoka-config').textContent);
const poster = new Poster(config.postUrl || '', config.postRetryMs || 1000);
const participant = new URLSearchParams(location.search).get('participant') || '';

window.meridoka = {
  state: () => (run ? run.state : pageState),
  waits: () => (run ? run.waits : 0),
  status: () => (run ? run.status : null),
  holdBeforeNextWait: () => { if (run) run.holdBusy = true; },
  release: () => { if (run) run.release(); },
  marks: () => (run ? run.marks : []),
  posting: () => ({ accepted: poster.accepted, pending: poster.pending() }),
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

// A file written and closed or committed: kept in the browser's storage
// (the promise tells when it is there), a journal's new rows sent on.
function fileSaved(name, bytes) {
  if (run) run.written.add(name.toUpperCase());
  if (/\.bmp$/i.test(name)) saveNow(name, bytes);
  if (!kept(name)) return null;
  const saved = storage ? storage.saveFile(name, bytes) : null;
  poster.update(name, bytes);
  listKept();
  return saved;
}

function fileRemoved(name) {
  if (run) run.written.delete(name.toUpperCase());
  if (storage && kept(name)) storage.deleteFile(name);
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
  clockStepUs: clockStep(),

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
    if (finished.status === 0) say('The test has ended. Thank you.');
    // what this run wrote (older files may be in the folder): the result
    // file and the session's journal
    const names = [...finished.written].filter((n) => n === 'RESULT-W.TXT' || isJournal(n)).sort().reverse();
    for (const name of names) if (folder.exists(name)) links.append(downloadLink(name, folder.get(name)));
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

// The step of performance.now() in microseconds (browsers coarsen it), at
// least 1: the journal notes it as the clock's resolution.
function clockStep() {
  let step = Infinity;
  for (let n = 0, last = performance.now(); n < 20; ) {
    const now = performance.now();
    if (now !== last) {
      step = Math.min(step, now - last);
      last = now;
      n++;
    }
  }
  return Math.max(1, Math.round(step * 1000));
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

// The options of a new session: the participant from the page's address.
function quoted(arg) {
  return `"${arg.replace(/"/g, '""')}"`;
}

function newSession() {
  return participant ? quoted(`/P:${participant}`) : '';
}

// The participant's latest session, cut short with this archive: the
// person chooses to go on with it or to begin anew. A session that ended
// because the page was left loses that session_end row on Resume.
function offerResume(archive) {
  const found = resumable(folder, participant, archive);
  if (!found) return Promise.resolve(newSession());
  pageState = 'offer';
  say(`A session of this test was interrupted${found.participant ? ` (participant ${found.participant})` : ''}, ` +
      `started ${found.started.replace('T', ' ')}: ${found.answered} of ${found.items} items answered. Resume it?`);
  $('offer').hidden = false;
  $('resume').focus();
  return new Promise((answer) => {
    const done = (resume) => {
      $('offer').hidden = true;
      $('resume').onclick = $('fresh').onclick = null;
      if (resume && found.cutTo !== null) cutJournal(found.name, found.cutTo);
      pageState = 'loading';
      answer(resume ? quoted(`/R:${found.name}`) : newSession());
    };
    $('resume').onclick = () => done(true);
    $('fresh').onclick = () => done(false);
  });
}

function cutJournal(name, length) {
  const bytes = folder.get(name).slice(0, length);
  folder.put(name, bytes);
  fileSaved(name, bytes);
}

// A new run on these archive bytes (null: none). A run still at its
// question gives way; a test in progress is never interrupted.
async function begin(archive, label) {
  if (pageState === 'offer' || (run && run.state !== 'question' && run.state !== 'ended')) return;
  if (run) run.abandon();
  run = null;
  archiveLabel = label;
  $('downloads').hidden = true;
  const args = await offerResume(archive);
  run = new Run(page, folder, archive, args);
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
// A page brought back from the browser's back-forward cache has ended its
// test: it starts again, and offers to resume.
window.addEventListener('pageshow', (e) => {
  if (e.persisted) location.reload();
});

load();
