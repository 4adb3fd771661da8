// The 640x480 one-bit screen on a canvas: painted from the BMP file image
// in the program's memory (62 header bytes, then 80 bytes a row, top row
// first, bit 7 the leftmost pixel, 1 white), shown at the largest whole
// factor of device pixels that fits the window, centred, without smoothing.

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

  // Whole device pixels per screen pixel; CSS pixels may be fractional.
  scale() {
    const ratio = window.devicePixelRatio || 1;
    const room = this.canvas.parentElement || document.documentElement;
    const w = room.clientWidth * ratio, h = room.clientHeight * ratio;
    const factor = Math.max(1, Math.floor(Math.min(w / width, h / height)));
    this.canvas.style.width = `${(width * factor) / ratio}px`;
    this.canvas.style.height = `${(height * factor) / ratio}px`;
    this.factor = factor;
  }

  dispose() {
    window.removeEventListener('resize', this.fit);
    document.removeEventListener('fullscreenchange', this.fit);
  }
}
