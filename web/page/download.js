// Files out of the page: saved at once (screenshots) or offered as links.

function blobUrl(bytes, type) {
  return URL.createObjectURL(new Blob([bytes], { type }));
}

function typeOf(name) {
  return /\.bmp$/i.test(name) ? 'image/bmp' : 'application/octet-stream';
}

export function saveNow(name, bytes) {
  const a = document.createElement('a');
  a.href = blobUrl(bytes, typeOf(name));
  a.download = name;
  document.body.append(a);
  a.click();
  a.remove();
  setTimeout(() => URL.revokeObjectURL(a.href), 60000);
}

// A link that saves the file under its own name.
export function downloadLink(name, bytes, text = `Download ${name}`) {
  const a = document.createElement('a');
  a.href = blobUrl(bytes, typeOf(name));
  a.download = name;
  a.textContent = text;
  a.className = 'download';
  return a;
}
