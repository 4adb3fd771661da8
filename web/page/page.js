// The page around the program: loads the module, the study's settings and
// the test archive (from the page's own folder, or one the person chooses
// or drops), tells the person what stands in the way of the test (another
// tab, the lab's server, the device, the link), asks the full-screen
// question, shows the screen while the test runs, and at the end waits
// until the lab's server has every row. The program's working folder lives
// in the page and is kept in the browser's storage, the session journals
// row by row; a session cut short is offered for resuming. One page of a
// site at a time has the folder. window.meridoka is the test hook
// (web/README.md).

import createMeridoka from './meridoka.js';
import { Folder } from './folder.js';
import { Run } from './run.js';
import { downloadLink, saveNow } from './download.js';
import { openStorage } from './storage.js';
import { isJournal, resumable } from './journal.js';
import { Poster } from './poster.js';
import { readSettings } from './settings.js';
import { openCore, quoted } from './core.js';
import { texts } from './texts.js';

const $ = (id) => document.getElementById(id);
const box = $('box'), message = $('message');
let run = null;
let pageState = 'loading';
let module = null;       // the compiled WebAssembly module
let core = null;         // the program's rules, asked of the module (core.js)
let archiveLabel = '';
let storage = null;      // IndexedDB, when the browser has it
let settings = null;
let poster = new Poster('');
let t = texts.en;        // the page's texts, in the test's language
let saving = false;      // the end waits for the lab's server
const folder = new Folder(fileSaved, fileRemoved);
const participant = new URLSearchParams(location.search).get('participant') || '';

window.meridoka = {
  state: () => (run ? run.state : pageState),
  waits: () => (run ? run.waits : 0),
  status: () => (run ? run.status : null),
  holdBeforeNextWait: () => { if (run) run.holdBusy = true; },
  release: () => { if (run) run.release(); },
  marks: () => (run ? run.marks : []),
  posting: () => ({ accepted: poster.accepted, pending: poster.pending(), failing: poster.failing }),
  saving: () => saving,
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

// The files kept in this browser are earlier participants' too: listed
// only for the lab, on the page's address with #files at its end.
function listKept() {
  const names = folder.names().filter(kept).sort();
  const list = $('kept-files');
  list.replaceChildren(...names.map((n) => downloadLink(n, folder.get(n), n)));
  $('kept-count').textContent = names.length;
  $('kept').hidden = !names.length || location.hash !== '#files';
}

// Once the lab's server has every row, the files kept here go: the next
// person on this computer finds nothing of the last.
function clearKept() {
  for (const name of folder.names().filter(kept)) if (folder.delete(name) === 0) poster.forget(name);
}

function showChooser(on) {
  $('archive-name').textContent = archiveLabel ? t.test(archiveLabel) : '';
  $('choose').hidden = !on;
}

// The page's fixed texts in the test's language.
function translate(language) {
  t = texts[language];
  document.documentElement.lang = language;
  for (const id of ['yes', 'no', 'resume', 'fresh', 'anyway', 'another', 'drop', 'kept-label']) $(id).textContent = t[id.replace('-label', '')];
  $('mark').title = t.offline;
}

// The lab's server lost or found again: a small mark in a corner; at the
// end, the saving message says so.
function postingChanged() {
  $('mark').hidden = !poster.failing || !poster.pending();
  if (saving) showSaving();
}

// ---- what a run asks of the page --------------------------------------------

const page = {
  stage: $('stage'),
  clockStepUs: clockStep(),

  askFullScreen() {
    say(t.question);
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
    showChooser(finished.status !== 0);
    if (!settings.postUrl) {
      if (finished.status === 0) say(t.thanks);
      // what this run wrote (older files may be in the folder): the result
      // file and the session's journal
      const names = [...finished.written].filter((n) => n === 'RESULT-W.TXT' || isJournal(n)).sort().reverse();
      for (const name of names) if (folder.exists(name)) links.append(downloadLink(name, folder.get(name)));
      links.hidden = !links.children.length;
      return;
    }
    // a study with a server: the end is the server having every row
    saving = true;
    if (finished.status === 0) showSaving();
    whenSent().then(() => {
      if (run !== finished) return;  // another archive runs by now
      saving = false;
      clearKept();
      if (finished.status === 0) say(t.saved);
    });
  },
};

function showSaving() {
  if (run && run.status === 0) say(poster.failing ? t.savingLost : t.saving);
}

// Resolves once no row is waiting for the server.
function whenSent() {
  return new Promise((done) => {
    const check = () => (poster.pending() ? setTimeout(check, 50) : done());
    check();
  });
}

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
function newSession() {
  return participant ? quoted(`/P:${participant}`) : '';
}

// The participant's latest session, cut short with this archive: the
// person chooses to go on with it or to begin anew. A session that ended
// because the page was left loses that session_end row on Resume. When the
// archive's settings offer a resume, the program offers it itself (it knows
// the ID typed on its screen too, and in the page a session that was left
// counts as cut short): the page then asks nothing. One offer.
function offerResume(archive) {
  const found = resumable(folder, participant, archive, core.judgeJournal);
  if (!found || core.offersResume(archive)) return Promise.resolve(newSession());
  pageState = 'offer';
  say(t.offer(found.participant, found.started.replace('T', ' '), found.answered, found.items));
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

// A run still at its question gives way: the journal it has begun (its
// session_start row) goes with it; a resumed one stays, as it was offered.
function forsake(old) {
  old.abandon();
  if (old.args.includes('/R:')) return;
  for (const name of old.written) {
    if (!isJournal(name)) continue;
    folder.remove(name);
    fileRemoved(name);
    poster.forget(name);
  }
}

// Another archive is welcome: nothing is asked, and no test is in progress.
const welcome = () => ready && pageState !== 'offer' && (!run || run.state === 'question' || run.state === 'ended');

// A new run on these archive bytes (null: none).
async function begin(archive, label) {
  if (!welcome()) return;
  if (run && run.state === 'question') forsake(run);
  run = null;
  archiveLabel = label;
  $('downloads').hidden = $('question').hidden = true;
  const args = await offerResume(archive);
  run = new Run(page, folder, archive, args);
  run.start(createMeridoka, module);
}

// A file chosen or dropped: an archive runs, anything else is named as
// not one (read no further than its first bytes, however large).
async function chosen(file) {
  if (!file || !welcome()) return;
  if (!core.isArchive(new Uint8Array(await file.slice(0, 12).arrayBuffer()))) {
    if (!welcome()) return;
    if (run && run.state === 'question') forsake(run);
    run = null;
    pageState = 'refused';
    $('downloads').hidden = $('question').hidden = true;
    say(t.notArchive(file.name), { error: true });
    showChooser(true);
    return;
  }
  const bytes = new Uint8Array(await file.arrayBuffer());
  begin(bytes, t.file(file.name, bytes.length.toLocaleString(document.documentElement.lang)));
}

let ready = false;       // the checks before a test are passed

function stop(state, text) {
  pageState = state;
  say(text, { error: true });
}

// This page takes the site's working folder for as long as it is open
// (Web Locks); while another page of the site has it, this one says so and
// waits for it. Without Web Locks, nothing is held.
function holdFolder() {
  if (!navigator.locks) return Promise.resolve();
  return new Promise((granted) => {
    const hold = () => {
      granted();
      return new Promise(() => {});
    };
    navigator.locks.request('meridoka-folder', { ifAvailable: true }, (lock) => {
      if (lock) return hold();
      stop('elsewhere', t.elsewhere);
      navigator.locks.request('meridoka-folder', () => {
        pageState = 'loading';
        say(t.loading);
        return hold();
      });
      return null;
    });
  });
}

// What keeps this device from the test: no keyboard (a touch screen only)
// or a screen too small for 640x480 device pixels; null when nothing.
function deviceProblem() {
  const ratio = window.devicePixelRatio || 1;
  const w = Math.round(screen.width * ratio), h = Math.round(screen.height * ratio);
  if (Math.max(w, h) < 640 || Math.min(w, h) < 480) return t.tooSmall(w, h);
  if (matchMedia('(pointer: coarse)').matches && !matchMedia('(any-pointer: fine)').matches) return t.noKeyboard;
  return null;
}

// Tells the person of the problem; the person may go on all the same.
function goOnAnyway(problem) {
  stop('device', problem);
  $('anyway').hidden = false;
  return new Promise((answer) => {
    $('anyway').onclick = () => {
      $('anyway').hidden = true;
      pageState = 'loading';
      say(t.loading);
      answer();
    };
  });
}

async function load() {
  if (typeof WebAssembly !== 'object') {
    pageState = 'unsupported';
    return;
  }
  const archive = archiveFromFolder(), compiled = compile();
  compiled.catch(() => {});
  settings = await readSettings(window.meridokaSettings);
  const bytes = await archive;
  // the module tells the archive's language
  try {
    module = await compiled;
    core = await openCore(createMeridoka, module);
  } catch (error) {
    translate(settings.language || 'en');
    return stop('failed', t.notLoaded(error.message));
  }
  translate(settings.language || core.language(bytes));
  say(t.loading);
  if (settings.problem) return stop('failed', t.badSettings(settings.problem));
  await holdFolder();
  poster = new Poster(settings.postUrl, settings.postRetryMs, postingChanged);
  const server = settings.postUrl && !settings.offlineAllowed ? poster.reachable() : Promise.resolve(true);
  storage = await openStorage();
  if (storage) for (const f of await storage.files()) folder.put(f.name, f.bytes);
  listKept();
  if (core.refuses(newSession())) return stop('failed', t.badParticipant(participant));
  const problem = deviceProblem();
  if (problem) await goOnAnyway(problem);
  if (!(await server)) return stop('offline', t.noServer);
  ready = true;
  begin(bytes, bytes ? t.fromFolder(bytes.length.toLocaleString(document.documentElement.lang)) : '');
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
window.addEventListener('hashchange', listKept);
// Leaving the page ends the test as closing the window does; the rows the
// server has not taken go at once.
window.addEventListener('pagehide', () => {
  if (storage) storage.leaving();
  if (run) run.leave();
  poster.leave();
});
// A page brought back from the browser's back-forward cache has ended its
// test: it starts again, and offers to resume.
window.addEventListener('pageshow', (e) => {
  if (e.persisted) location.reload();
});

load();
