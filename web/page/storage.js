// The browser's storage (IndexedDB) for what a session writes: a record per
// session and its files (the result file), so that nothing is lost when the
// page goes away. Without IndexedDB (some private windows) the page works
// on without it.
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
      const db = open.result;
      db.createObjectStore('sessions', { keyPath: 'id' });
      db.createObjectStore('files', { keyPath: ['session', 'name'] });
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
    this.pending = null;  // writes made while the page goes away
  }

  // Writes are started at once and not waited for.
  put(store, value) {
    if (this.pending) {
      this.pending.push({ store, value });
      localStorage.setItem(this.pendingKey, JSON.stringify(this.pending, toJson));
    } else {
      this.db.transaction(store, 'readwrite').objectStore(store).put(value);
    }
  }

  // The page is going away: later writes go to localStorage, under a key
  // of this page's own (another tab may be leaving too).
  leaving() {
    this.pending = [];
    this.pendingKey = pendingPrefix + Math.random().toString(36).slice(2);
  }

  // What pages that went away left in localStorage, into IndexedDB.
  async takePending() {
    const keys = Object.keys(localStorage).filter((k) => k.startsWith(pendingPrefix));
    for (const key of keys) {
      const tx = this.db.transaction(['sessions', 'files'], 'readwrite');
      for (const { store, value } of JSON.parse(localStorage.getItem(key), fromJson)) tx.objectStore(store).put(value);
      await new Promise((resolve, reject) => {
        tx.oncomplete = resolve;
        tx.onerror = () => reject(tx.error);
      });
      localStorage.removeItem(key);
    }
  }

  // A new session record; its id is made here, so writes need not wait.
  begin(fields) {
    const session = { id: `${Date.now().toString(36)}-${Math.random().toString(36).slice(2, 8)}`,
                      started: new Date().toISOString(), ended: null, ...fields };
    this.put('sessions', session);
    return session;
  }

  update(session, fields) {
    Object.assign(session, fields);
    this.put('sessions', session);
  }

  saveFile(session, fileName, bytes) {
    this.put('files', { session: session.id, name: fileName, bytes });
  }

  async latest() {
    const all = await request(this.db.transaction('sessions').objectStore('sessions').getAll());
    all.sort((a, b) => (a.started < b.started ? -1 : 1));
    return all.length ? all[all.length - 1] : null;
  }

  async files(session) {
    const range = IDBKeyRange.bound([session.id, ''], [session.id, '\uffff']);
    return request(this.db.transaction('files').objectStore('files').getAll(range));
  }
}
