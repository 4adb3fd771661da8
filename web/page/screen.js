// The 640x480 one-bit screen on a canvas: painted from the BMP file image
// in the program's memory (62 header bytes, then 80 bytes a row, top row
// first, bit 7 the leftmost pixel, 1 white), shown at the largest whole
// factor of device pixels that fits the window, centred on whole device
// pixels, without smoothing.

const width = 640, height = 480, header = 62;

export class Screen {
  constructor(canvas) {
    this.canvas = canvas;
    this.context = canvas.getContext('2d', { alpha: false });
    this.pixels = this.context ? this.context.createImageData(width, height) : null;
    this.words = this.pixels ? new Uint32Array(this.pixels.data.buffer) : null;
    this.fit = () => this.scale();
    window.addEventListener('resize', this.fit);
    document.addEventListener('fullscreenchange', this.fit);
    this.scale();
  }

  get usable() {
    return !!this.context;
  }

  paint(image) {
    const words = this.words, black = 0xff000000, white = 0xffffffff;
    for (let i = 0, p = 0; i < width * height / 8; i++) {
      const bits = image[header + i];
      for (let mask = 0x80; mask; mask >>= 1) words[p++] = bits & mask ? white : black;
    }
    this.context.putImageData(this.pixels, 0, 0);
  }

  // Whole device pixels per screen pixel, and the canvas placed on whole
  // device pixels too: the browser lays pages out in 64ths of a CSS pixel,
  // so the offset is a multiple of the device pixels (`step`) that make
  // one of those; centred to within that. CSS pixels may be fractional.
  scale() {
    const ratio = window.devicePixelRatio || 1;
    const room = (this.canvas.parentElement || document.documentElement).getBoundingClientRect();
    const w = Math.round(room.width * ratio), h = Math.round(room.height * ratio);
    const factor = Math.max(1, Math.floor(Math.min(w / width, h / height)));
    let step = 1;
    while (step < 64 && Math.abs((step * 64) / ratio - Math.round((step * 64) / ratio)) > 1e-6) step++;
    const place = (room, size) => Math.max(0, Math.floor((room - size) / 2 / step) * step) / ratio;
    const style = this.canvas.style;
    style.position = 'absolute';
    style.left = `${place(w, width * factor)}px`;
    style.top = `${place(h, height * factor)}px`;
    style.width = `${(width * factor) / ratio}px`;
    style.height = `${(height * factor) / ratio}px`;
    this.factor = factor;
  }

  dispose() {
    window.removeEventListener('resize', this.fit);
    document.removeEventListener('fullscreenchange', this.fit);
  }
}
