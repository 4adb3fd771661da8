// What the page needs to know of a test archive before the program runs
// (the format is described in archive/format.h): whether a file is one at
// all, from its first bytes, and the language of its texts, for the page's
// own messages. A Cyrillic letter (CP866) in a text of the MESSAGES or
// TESTTEXT resource makes the test Russian.

const magic = [0x57, 0x44, 0x4c, 0x5a];  // "WDLZ"

export const isArchive = (head) => head.length >= 12 && magic.every((b, i) => head[i] === b);

// An entry's bytes, unpacked (the LZSS stream of archive/lzss.cpp), or null.
function entry(bytes, wanted) {
  const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  const count = view.getUint16(4, true), directory = view.getUint32(8, true);
  for (let n = 0; n < count; n++) {
    const at = directory + n * 16;
    if (at + 16 > bytes.length) return null;
    const name = String.fromCharCode(...bytes.subarray(at + 8, at + 16)).replace(/\0.*$/, '');
    if (name !== wanted) continue;
    const offset = view.getUint32(at, true), stored = view.getUint16(at + 4, true), size = view.getUint16(at + 6, true);
    const src = bytes.subarray(offset, offset + stored);
    return size ? unpack(src, size) : src;
  }
  return null;
}

function unpack(src, size) {
  const ring = new Uint8Array(4096).fill(0x20), out = new Uint8Array(size);
  let r = 4080, i = 0, o = 0;
  while (i < src.length && o < size) {
    const flags = src[i++];
    for (let bit = 0; bit < 8 && i < src.length && o < size; bit++) {
      if (flags & (1 << bit)) {
        out[o++] = ring[r] = src[i++];
        r = (r + 1) & 4095;
      } else {
        let p = src[i] | ((src[i + 1] & 0xf0) << 4), n = (src[i + 1] & 0x0f) + 3;
        i += 2;
        for (; n-- && o < size; p = (p + 1) & 4095, r = (r + 1) & 4095) out[o++] = ring[r] = ring[p];
      }
    }
  }
  return out;
}

// 'ru' or 'en' (also for bytes that are no archive).
export function archiveLanguage(bytes) {
  if (!bytes || !isArchive(bytes)) return 'en';
  const cyrillic = (text) => !!text && text.some((b) => (b >= 0x80 && b <= 0xaf) || (b >= 0xe0 && b <= 0xf1));
  // MESSAGES: u16 count, then each text after its u16 length
  const messages = entry(bytes, 'MESSAGES') || new Uint8Array(0), texts = [];
  for (let at = 2, n = 0; n < (messages[0] | (messages[1] << 8)) && at + 2 <= messages.length; n++) {
    const length = messages[at] | (messages[at + 1] << 8);
    texts.push(messages.subarray(at + 2, at + 2 + length));
    at += 2 + length;
  }
  return texts.some(cyrillic) || cyrillic(entry(bytes, 'TESTTEXT')) ? 'ru' : 'en';
}
