// The pixels of a browser's PNG screenshot, for tests that check what the user sees: decodes the
// 8-bit, non-interlaced truecolour PNGs the browsers write (with or without alpha) into RGBA, and
// reads colours and counts inked pixels in CSS-pixel rectangles. Used by accessibility.test.mjs.
import zlib from 'node:zlib';

const SIGNATURE = Buffer.from([0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a]);

function paeth(left, up, upLeft) {
  const estimate = left + up - upLeft;
  const toLeft = Math.abs(estimate - left);
  const toUp = Math.abs(estimate - up);
  const toUpLeft = Math.abs(estimate - upLeft);
  if (toLeft <= toUp && toLeft <= toUpLeft) return left;
  return toUp <= toUpLeft ? up : upLeft;
}

export class Pixels {
  // png: the screenshot's bytes; scale: device pixels per CSS pixel.
  constructor(png, scale = 1) {
    const bytes = Buffer.from(png);
    if (!bytes.subarray(0, 8).equals(SIGNATURE)) throw new Error('not a PNG');
    const data = [];
    let offset = 8;
    let header;
    while (offset < bytes.length) {
      const length = bytes.readUInt32BE(offset);
      const type = bytes.toString('latin1', offset + 4, offset + 8);
      const body = bytes.subarray(offset + 8, offset + 8 + length);
      if (type === 'IHDR') header = body;
      if (type === 'IDAT') data.push(body);
      offset += 12 + length;
    }
    this.width = header.readUInt32BE(0);
    this.height = header.readUInt32BE(4);
    const [depth, colourType, , , interlace] = header.subarray(8, 13);
    if (depth !== 8 || (colourType !== 2 && colourType !== 6) || interlace !== 0) {
      throw new Error(`unexpected PNG: depth ${depth}, colour type ${colourType}`);
    }
    const channels = colourType === 6 ? 4 : 3;
    const raw = zlib.inflateSync(Buffer.concat(data));
    const stride = this.width * channels;
    const rows = Buffer.alloc(stride * this.height);
    for (let y = 0; y < this.height; y += 1) {
      const filter = raw[y * (stride + 1)];
      const line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
      for (let x = 0; x < stride; x += 1) {
        const left = x >= channels ? rows[y * stride + x - channels] : 0;
        const up = y > 0 ? rows[(y - 1) * stride + x] : 0;
        const upLeft = x >= channels && y > 0 ? rows[(y - 1) * stride + x - channels] : 0;
        const predictor = [0, left, up, (left + up) >> 1, paeth(left, up, upLeft)][filter];
        rows[y * stride + x] = (line[x] + predictor) & 0xff;
      }
    }
    this.rgba = new Uint8Array(this.width * this.height * 4);
    for (let i = 0; i < this.width * this.height; i += 1) {
      for (let c = 0; c < 3; c += 1) this.rgba[i * 4 + c] = rows[i * channels + c];
      this.rgba[i * 4 + 3] = channels === 4 ? rows[i * channels + 3] : 255;
    }
    this.scale = scale;
  }

  // The colour [r, g, b] at a point given in CSS pixels.
  at(x, y) {
    const i = (Math.floor(y * this.scale) * this.width + Math.floor(x * this.scale)) * 4;
    return [this.rgba[i], this.rgba[i + 1], this.rgba[i + 2]];
  }

  // The device pixels of a CSS-pixel rectangle {left, top, right, bottom} whose colour is far
  // from the given one, with their mean x in CSS pixels.
  inked(rect, from, threshold = 90) {
    let count = 0;
    let sumX = 0;
    const x0 = Math.max(0, Math.round(rect.left * this.scale));
    const x1 = Math.min(this.width, Math.round(rect.right * this.scale));
    const y0 = Math.max(0, Math.round(rect.top * this.scale));
    const y1 = Math.min(this.height, Math.round(rect.bottom * this.scale));
    for (let y = y0; y < y1; y += 1) {
      for (let x = x0; x < x1; x += 1) {
        const i = (y * this.width + x) * 4;
        const distance =
          Math.abs(this.rgba[i] - from[0]) +
          Math.abs(this.rgba[i + 1] - from[1]) +
          Math.abs(this.rgba[i + 2] - from[2]);
        if (distance > threshold) {
          count += 1;
          sumX += x;
        }
      }
    }
    return { count, meanX: count === 0 ? null : sumX / count / this.scale };
  }

  // The device pixels that differ from another shot of the same page in the band around a
  // CSS-pixel rectangle, from `outside` pixels out to `inside` pixels in: where a focus ring is
  // drawn in one shot and not in the other.
  ringChanges(other, rect, outside = 3, inside = 2) {
    let count = 0;
    const device = (value) => Math.round(value * this.scale);
    const [x0, x1] = [device(rect.left - outside), device(rect.right + outside)];
    const [y0, y1] = [device(rect.top - outside), device(rect.bottom + outside)];
    const [innerX0, innerX1] = [device(rect.left + inside), device(rect.right - inside)];
    const [innerY0, innerY1] = [device(rect.top + inside), device(rect.bottom - inside)];
    for (let y = Math.max(0, y0); y < Math.min(this.height, y1); y += 1) {
      for (let x = Math.max(0, x0); x < Math.min(this.width, x1); x += 1) {
        if (x >= innerX0 && x < innerX1 && y >= innerY0 && y < innerY1) continue;
        const i = (y * this.width + x) * 4;
        const distance =
          Math.abs(this.rgba[i] - other.rgba[i]) +
          Math.abs(this.rgba[i + 1] - other.rgba[i + 1]) +
          Math.abs(this.rgba[i + 2] - other.rgba[i + 2]);
        if (distance > 90) count += 1;
      }
    }
    return count;
  }
}

export function luminance([red, green, blue]) {
  return 0.2126 * red + 0.7152 * green + 0.0722 * blue;
}
