// One run of the program in the page: its working folder, its display and
// keys, and the sleeps of the blocking test driver (Asyncify). `Module.web`
// of the WebAssembly module is the platform object below (web/library.js
// hands every call of web/web.h to it).
//
// The program runs only between the page's events: it sleeps while it waits
// for a key (state 'waiting'), while the full-screen question is open
// ('question'), and for a moment before each wait so that key presses made
// while it was busy come in first ('busy'). A sleeper is woken at most
// once; a wake-up scheduled for a sleep that has already ended does nothing.

import { moduleOptions } from './core.js';
import { Screen } from './screen.js';
import { isSystemKey, scanCodes } from './scancodes.js';

// Keys the browser keeps: reload and its own full screen.
const browserKeys = new Set(['F5', 'F11']);

export class Run {
  // page: { askFullScreen() -> Promise<boolean>, stage: element with a canvas,
  //         showStage(on), showError(text), ended(run), clockStepUs }
  // folder: the working folder (./folder.js); the archive goes in as
  // MERIDOKA.WDL (null: none). args: the program's options (/P:, /R:FILE).
  constructor(page, folder, archive, args = '') {
    this.page = page;
    this.folder = folder;
    this.args = args;
    if (archive) folder.put('MERIDOKA.WDL', archive);
    else folder.remove('MERIDOKA.WDL');
    this.state = 'loading';
    this.waits = 0;           // sleeps in a key wait so far (the test hook)
    this.marks = [];          // [what, performance.now()]: question, answer, key, wait
    this.status = null;
    this.written = new Set();  // upper-case names of the files this run wrote
    this.sleeper = null;
    this.leaving = false;
    this.holdBusy = false;    // the test hook: stop before the next wait
    this.question = null;     // the display's pending open
    this.keys = (event) => this.keyDown(event);
  }

  // Starts the program on a compiled module. The options object becomes the
  // module, exports and all.
  start(createModule, compiled) {
    this.module = moduleOptions(this.platform(), compiled);
    return createModule(this.module);
  }

  platform() {
    const folder = this.folder;
    return {
      fileOpen: (name, read, write, create, fresh) => folder.open(name, read, write, create, fresh),
      fileRead: (handle, into) => folder.read(handle, into),
      fileWrite: (handle, from) => folder.write(handle, from),
      fileClose: (handle) => folder.close(handle),
      fileSeek: (handle, offset, origin) => folder.seek(handle, offset, origin),
      fileTell: (handle) => folder.tell(handle),
      fileExists: (name) => folder.exists(name),
      fileCommit: (handle, wakeUp) => this.commit(handle, wakeUp),
      fileTruncate: (handle, size) => folder.truncate(handle, size),
      fileReplace: (from, to) => folder.replace(from, to),
      fileDelete: (name) => folder.delete(name),
      fileName: (index) => folder.name(index),
      clockResolutionUs: () => this.page.clockStepUs,
      arguments: () => this.args,
      displayOpen: (image, wakeUp) => this.openDisplay(image, wakeUp),
      displayClose: () => this.closeDisplay(),
      displayDirty: () => { this.dirty = true; },
      waitShown: (wakeUp) => this.waitShown(wakeUp),
      letEventsIn: (wakeUp) => this.letEventsIn(wakeUp),
      sleep: (wakeUp) => this.sleep(wakeUp),
      sleepFor: (ms, wakeUp) => this.sleepFor(ms, wakeUp),
      wake: () => this.wake(),
      showError: (text) => this.page.showError(text),
      ended: (status) => this.end(status),
    };
  }

  // ---- sleeping ------------------------------------------------------------

  suspend(wakeUp, state) {
    this.sleeper = { wakeUp };
    this.state = state;
    return this.sleeper;
  }

  mark(what) {
    this.marks.push([what, performance.now()]);
  }

  resume(sleeper = this.sleeper, value = 0) {
    if (!sleeper || this.sleeper !== sleeper) return;
    this.sleeper = null;
    this.state = 'busy';
    sleeper.wakeUp(value);
  }

  letEventsIn(wakeUp) {
    this.paint();
    const sleeper = this.suspend(wakeUp, 'busy');
    if (this.leaving) return this.resume(sleeper);
    if (this.holdBusy) {
      this.holdBusy = false;
      this.state = 'held';
      return;
    }
    setTimeout(() => this.resume(sleeper), 0);
  }

  sleep(wakeUp) {
    this.paint();
    const sleeper = this.suspend(wakeUp, 'waiting');
    this.waits++;
    this.mark('wait');
    if (this.leaving) this.resume(sleeper);
  }

  // A sleep that the page's timer ends after ms (a time limit); a key or
  // the page going ends it sooner, and the timer then wakes nothing.
  sleepFor(ms, wakeUp) {
    this.sleep(wakeUp);
    const sleeper = this.sleeper;
    if (sleeper) setTimeout(() => this.resume(sleeper), ms);
  }

  // A commit: the program sleeps until the browser's storage has the file
  // (when the page goes away, localStorage has it at once).
  commit(handle, wakeUp) {
    const saved = this.folder.commit(handle);
    if (saved === undefined) return wakeUp(-1);
    if (!saved || this.leaving) return wakeUp(0);
    const sleeper = this.suspend(wakeUp, 'busy');
    saved.then(() => this.resume(sleeper, 0), () => this.resume(sleeper, -1));
  }

  // Paints, then sleeps until the frame has been shown: the callback of the
  // frame after the next one runs once the next one has been produced. A
  // hidden page shows no frames; a timer ends the wait there.
  waitShown(wakeUp) {
    this.paint();
    if (this.leaving || document.hidden) return wakeUp();
    const sleeper = this.suspend(wakeUp, 'busy');
    requestAnimationFrame(() => requestAnimationFrame(() => this.resume(sleeper)));
    setTimeout(() => this.resume(sleeper), 250);
    this.mark('shown');
  }

  // Called from inside the program (a key went into the channel): the
  // program may go on once the current event is over.
  wake() {
    const sleeper = this.sleeper;
    if (sleeper && this.state === 'waiting') queueMicrotask(() => this.resume(sleeper));
  }

  // ---- display -------------------------------------------------------------

  openDisplay(image, wakeUp) {
    this.image = image;
    const sleeper = this.suspend(wakeUp, 'question');
    this.question = sleeper;
    this.mark('question');
    this.page.askFullScreen().then(() => this.showDisplay(sleeper));
  }

  showDisplay(sleeper) {
    if (this.question !== sleeper) return;  // answered already (the page was left)
    this.question = null;
    this.mark('answer');
    this.page.showStage(true);
    this.screen = new Screen(this.page.stage.querySelector('canvas'));
    if (!this.screen.usable) {
      this.page.showStage(false);
      return this.resume(sleeper, 0);
    }
    window.addEventListener('keydown', this.keys);
    this.dirty = true;
    this.resume(sleeper, 1);
  }

  closeDisplay() {
    window.removeEventListener('keydown', this.keys);
    if (this.screen) this.screen.dispose();
    this.page.showStage(false);
  }

  paint() {
    if (this.dirty && this.screen) this.screen.paint(this.image());
    this.dirty = false;
  }

  keyDown(event) {
    const scan = scanCodes[event.code];
    const own = !event.ctrlKey && !event.metaKey && !browserKeys.has(event.code);
    if (own && scan) event.preventDefault();
    if (!scan || isSystemKey(event)) return;
    // auto-repeat presses go in like fresh ones, as on the other builds
    this.mark('key');
    this.module._web_key_press(scan);
  }

  // ---- the end -------------------------------------------------------------

  // The page is going away: the test ends as with a closed window, now,
  // before the page is gone (every later sleep wakes at once).
  leave() {
    if (this.state === 'ended' || !this.module._web_page_left) return;
    this.leaving = true;
    this.module._web_page_left();
    if (this.question) return this.showDisplay(this.question);
    this.resume();
  }

  // Another archive was chosen while the question was open: this run is
  // dropped where it stands (its program sleeps for good).
  abandon() {
    if (this.state === 'ended') return;
    this.question = null;
    this.sleeper = null;
    this.state = 'abandoned';
  }

  // The test hook's busy key: the program has stopped before a wait.
  release() {
    if (this.state === 'held') this.resume();
  }

  end(status) {
    this.status = status;
    this.state = 'ended';
    this.page.ended(this);
  }
}
