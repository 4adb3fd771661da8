// The program's working folder in the page: files by name (any case, as on
// Windows), each a growable byte array, behind the handles of the file layer
// (web/files.cpp). A file is open at most once at a time, as the other
// builds open files without sharing. `onSave(name, bytes)` hears of every
// file written and then closed or committed (the page keeps or downloads
// it; what it returns, a commit returns), `onRemove(name)` of every file
// deleted or renamed away.

export class Folder {
  constructor(onSave = () => {}, onRemove = () => {}) {
    this.files = new Map();   // upper-case name -> { name, bytes, length }
    this.handles = new Map(); // handle -> { file, pos, read, write, wrote }
    this.nextHandle = 1;
    this.onSave = onSave;
    this.onRemove = onRemove;
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

  // The index-th name, or null.
  name(index) {
    const names = this.names();
    return index < names.length ? names[index] : null;
  }

  isOpen(file) {
    return [...this.handles.values()].some((h) => h.file === file);
  }

  // fresh: only a new file (fails when the name exists).
  open(name, read, write, create, fresh = 0) {
    const key = name.toUpperCase();
    let file = this.files.get(key);
    if (file && (fresh || this.isOpen(file))) return 0;
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

  // Cuts (or lengthens with zeros) a file open for writing; the position
  // goes to its new end.
  truncate(handle, size) {
    const h = this.handles.get(handle);
    if (!h || !h.write || size < 0) return -1;
    if (size > h.file.length) {
      h.pos = h.file.length;
      this.write(handle, new Uint8Array(size - h.file.length));
    }
    const cut = size < h.file.length;
    h.file.length = size;
    h.pos = size;
    h.wrote = true;
    // a journal cut back (a resume) is told at once: rows sent on from
    // its old end would begin in the middle of the rows written next
    if (cut) this.onSave(h.file.name, h.file.bytes.slice(0, size));
    return 0;
  }

  // What a commit hands the page: onSave's answer (a promise, or null).
  commit(handle) {
    const h = this.handles.get(handle);
    if (!h) return undefined;
    return this.onSave(h.file.name, h.file.bytes.slice(0, h.file.length));
  }

  close(handle) {
    const h = this.handles.get(handle);
    if (!h) return -1;
    this.handles.delete(handle);
    if (h.wrote) this.onSave(h.file.name, h.file.bytes.slice(0, h.file.length));
    return 0;
  }

  // Renames `from` over `to`; neither may be open.
  replace(from, to) {
    const file = this.files.get(from.toUpperCase()), old = this.files.get(to.toUpperCase());
    if (!file || this.isOpen(file) || (old && this.isOpen(old))) return -1;
    this.files.delete(from.toUpperCase());
    file.name = to;
    this.files.set(to.toUpperCase(), file);
    this.onRemove(from);
    this.onSave(to, file.bytes.slice(0, file.length));
    return 0;
  }

  delete(name) {
    const file = this.files.get(name.toUpperCase());
    if (!file || this.isOpen(file)) return -1;
    this.files.delete(name.toUpperCase());
    this.onRemove(name);
    return 0;
  }
}
