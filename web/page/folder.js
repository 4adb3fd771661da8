// The program's working folder in the page: files by name (any case, as on
// Windows), each a growable byte array, behind the handles of the file layer
// (web/files.cpp). A file is open at most once at a time, as the other
// builds open files without sharing. `onClose(name, bytes)` hears of every
// file written and closed: the page keeps or downloads it.

export class Folder {
  constructor(onClose = () => {}) {
    this.files = new Map();   // upper-case name -> { name, bytes, length }
    this.handles = new Map(); // handle -> { file, pos, read, write, wrote }
    this.nextHandle = 1;
    this.onClose = onClose;
  }

  put(name, bytes) {
    this.files.set(name.toUpperCase(), { name, bytes: new Uint8Array(bytes), length: bytes.length });
  }

  remove(name) {
    this.files.delete(name.toUpperCase());
  }

  get(name) {
    const f = this.files.get(name.toUpperCase());
    return f ? f.bytes.slice(0, f.length) : null;
  }

  names() {
    return [...this.files.values()].map((f) => f.name);
  }

  exists(name) {
    return this.files.has(name.toUpperCase()) ? 1 : 0;
  }

  open(name, read, write, create) {
    const key = name.toUpperCase();
    let file = this.files.get(key);
    if (file && [...this.handles.values()].some((h) => h.file === file)) return 0;
    if (!file) {
      if (!create) return 0;
      file = { name, bytes: new Uint8Array(0), length: 0 };
      this.files.set(key, file);
    }
    if (create) file.length = 0;
    const handle = this.nextHandle++;
    this.handles.set(handle, { file, pos: 0, read: !!read, write: !!write, wrote: !!create });
    return handle;
  }

  read(handle, into) {
    const h = this.handles.get(handle);
    if (!h || !h.read) return 0;
    const n = Math.max(0, Math.min(into.length, h.file.length - h.pos));
    into.set(h.file.bytes.subarray(h.pos, h.pos + n));
    h.pos += n;
    return n;
  }

  write(handle, from) {
    const h = this.handles.get(handle);
    if (!h || !h.write) return 0;
    const f = h.file, end = h.pos + from.length;
    if (end > f.bytes.length) {
      const grown = new Uint8Array(Math.max(end, f.bytes.length * 2, 256));
      grown.set(f.bytes.subarray(0, f.length));
      f.bytes = grown;
    }
    if (h.pos > f.length) f.bytes.fill(0, f.length, h.pos);
    f.bytes.set(from, h.pos);
    h.pos = end;
    f.length = Math.max(f.length, end);
    h.wrote = true;
    return from.length;
  }

  seek(handle, offset, origin) {
    const h = this.handles.get(handle);
    if (!h) return;
    const base = [0, h.pos, h.file.length][origin];
    if (base !== undefined && base + offset >= 0) h.pos = base + offset;
  }

  tell(handle) {
    const h = this.handles.get(handle);
    return h ? h.pos : -1;
  }

  close(handle) {
    const h = this.handles.get(handle);
    if (!h) return -1;
    this.handles.delete(handle);
    if (h.wrote) this.onClose(h.file.name, h.file.bytes.slice(0, h.file.length));
    return 0;
  }
}
