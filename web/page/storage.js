// The browser's storage (IndexedDB) behind the program's working folder:
// the files it writes (result file, session journals) are kept here, so
// that nothing is lost when the page goes away, and the next page finds
// them. Without IndexedDB (some private windows) the page works on
// without it.
//
// A page that is going away cannot count on an IndexedDB write (Chromium
// drops transactions begun in pagehide), so from then on writes go to
// localStorage, which is written at once; the next page moves them over.

const name = 'meridoka';
const pendingPrefix = 'meridoka-pending-';

function base64(bytes) {
  let text = '';
  for (let i = 0; i < bytes.length; i += 4096) text += String.fromCharCode(...bytes.subarray(i, i + 4096));
  return btoa(text);
}

// Byte arrays in and out of JSON.
const toJson = (key, value) => (value instanceof Uint8Array ? { bytes: base64(value) } : value);
const fromJson = (key, value) =>
  (value && typeof value.bytes === 'string' ? Uint8Array.from(atob(value.bytes), (c) => c.charCodeAt(0)) : value);

function request(r) {
  return new Promise((resolve, reject) => {
    r.onsuccess = () => resolve(r.result);
    r.onerror = () => reject(r.error);
  });
}

export async function openStorage() {
  if (!window.indexedDB) return null;
  try {
    const open = indexedDB.open(name, 1);
    open.onupgradeneeded = () => {
      open.result.createObjectStore('files', { keyPath: 'key' });
    };
    const storage = new Storage(await request(open));
    await storage.takePending();
    return storage;
  } catch {
    return null;
  }
}

class Storage {
  constructor(db) {
    this.db = db;
    this.pending = null;  // changes made while the page goes away
    this.unfinished = new Set();  // changes whose transaction has not completed
  }

  // Changes are started at once; the promise tells when the change is on
  // the disk (null: it is already, in localStorage). A caller may go on
  // without waiting: a page that goes away moves what is unfinished to
  // localStorage.
  change(store, op, value) {
    const change = { store, op, value };
    if (this.pending) {
      this.pending.push(change);
      localStorage.setItem(this.pendingKey, JSON.stringify(this.pending, toJson));
      return null;
    }
    this.unfinished.add(change);
    const tx = this.db.transaction(store, 'readwrite', { durability: 'strict' });
    tx.objectStore(store)[op](value);
    return new Promise((resolve, reject) => {
      tx.oncomplete = () => {
        this.unfinished.delete(change);
        resolve();
      };
      tx.onerror = tx.onabort = () => reject(tx.error);
    });
  }

  saveFile(fileName, bytes) {
    return this.change('files', 'put', { key: fileName.toUpperCase(), name: fileName, bytes });
  }

  deleteFile(fileName) {
    return this.change('files', 'delete', fileName.toUpperCase());
  }

  async files() {
    return request(this.db.transaction('files').objectStore('files').getAll());
  }

  // The page is going away: later changes go to localStorage, under a key
  // of this page's own (another tab may be leaving too).
  leaving() {
    if (this.pending) return;
    this.pending = [];
    this.pendingKey = pendingPrefix + Math.random().toString(36).slice(2);
    for (const { store, op, value } of this.unfinished) this.change(store, op, value);
    this.unfinished.clear();
  }

  // What pages that went away left in localStorage, into IndexedDB.
  async takePending() {
    const keys = Object.keys(localStorage).filter((k) => k.startsWith(pendingPrefix));
    for (const key of keys) {
      const tx = this.db.transaction(['files'], 'readwrite');
      for (const { store, op, value } of JSON.parse(localStorage.getItem(key), fromJson)) tx.objectStore(store)[op](value);
      await new Promise((resolve, reject) => {
        tx.oncomplete = resolve;
        tx.onerror = () => reject(tx.error);
      });
      localStorage.removeItem(key);
    }
  }
}
