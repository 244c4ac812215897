// Shared by the browser edition's tests: the built site, the WebAssembly
// build loaded under node, the committed CRCs of every frame of the two
// reference runs, headless Chromium and a server for the site.
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { createRequire } from 'node:module';
import { fileURLToPath } from 'node:url';
import zlib from 'node:zlib';

import { serveFolder } from '../../web/serve.mjs';

export const repo = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
export const site = path.join(repo, 'build-web/site');
const require = createRequire(import.meta.url);

// The runs whose every frame is committed: seed, start, frame count.
export const runs = {
  2718: { seed: '2718', start: null, startSeconds: 0 },
  7: { seed: '7', start: '37.123', startSeconds: 37.123 },
};

// Frame number of song time t in a run started at startSeconds (frame 1
// is the first lead-in frame).
export function frameAt(startSeconds, t) {
  return Math.round((t - startSeconds + 2) * 60) + 1;
}

// The committed CRCs of a run: per frame, that of its palette indexes and
// that of its RGB bytes (bottom row first).
export function committedCrcs(seed) {
  const bytes = fs.readFileSync(path.join(repo, `tests/reference/seed-${seed}-every-frame.crc`));
  const frames = [];
  for (let at = 0; at + 8 <= bytes.length; at += 8) {
    frames.push({ indexed: bytes.readUInt32LE(at), rgb: bytes.readUInt32LE(at + 4) });
  }
  return frames;
}

// The WebAssembly build with the track measured, as the page loads it.
export async function loadPiece() {
  const createOstrel = require(path.join(site, 'ostrel-wasm.js'));
  const piece = await createOstrel({ wasmBinary: fs.readFileSync(path.join(site, 'ostrel-wasm.wasm')) });
  const track = fs.readFileSync(path.join(site, 'beat3-140bpm.mp3'));
  const pointer = piece._malloc(track.length);
  piece.HEAPU8.set(track, pointer);
  piece._web_measure_track(pointer, track.length);
  piece._free(pointer);
  piece.beginRun = piece.cwrap('web_begin_run', 'number', ['string', 'string', 'string', 'number']);
  return piece;
}

const crcTable = (() => {
  const table = new Uint32Array(256);
  for (let n = 0; n < 256; n++) {
    let c = n;
    for (let k = 0; k < 8; k++) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
    table[n] = c >>> 0;
  }
  return table;
})();

export function crc32(bytes) {
  let c = 0xffffffff;
  for (let i = 0; i < bytes.length; i++) c = crcTable[(c ^ bytes[i]) & 0xff] ^ (c >>> 8);
  return (c ^ 0xffffffff) >>> 0;
}

// RGBA rows top first (a canvas, a PNG) as the RGB bytes of a read-back,
// bottom row first: what the committed RGB CRCs are taken of.
export function rgbBottomUp(rgba, width = 1920, height = 1080) {
  const rgb = Buffer.alloc(width * height * 3);
  for (let y = 0; y < height; y++) {
    const from = (height - 1 - y) * width * 4;
    const to = y * width * 3;
    for (let x = 0; x < width; x++) {
      rgb[to + x * 3] = rgba[from + x * 4];
      rgb[to + x * 3 + 1] = rgba[from + x * 4 + 1];
      rgb[to + x * 3 + 2] = rgba[from + x * 4 + 2];
    }
  }
  return rgb;
}

// The pixels of an 8-bit RGBA or RGB PNG without interlace, as RGBA.
export function decodePng(file) {
  const bytes = fs.readFileSync(file);
  let at = 8;
  let width = 0, height = 0, channels = 0;
  const data = [];
  while (at < bytes.length) {
    const length = bytes.readUInt32BE(at);
    const type = bytes.toString('latin1', at + 4, at + 8);
    const body = bytes.subarray(at + 8, at + 8 + length);
    if (type === 'IHDR') {
      width = body.readUInt32BE(0);
      height = body.readUInt32BE(4);
      if (body[8] !== 8 || body[12] !== 0 || (body[9] !== 6 && body[9] !== 2)) throw new Error('unsupported PNG');
      channels = body[9] === 6 ? 4 : 3;
    }
    if (type === 'IDAT') data.push(body);
    at += 12 + length;
  }
  const raw = zlib.inflateSync(Buffer.concat(data));
  const stride = width * channels;
  const pixels = Buffer.alloc(width * height * 4);
  const previous = Buffer.alloc(stride);
  const row = Buffer.alloc(stride);
  for (let y = 0; y < height; y++) {
    const filter = raw[y * (stride + 1)];
    const line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    for (let i = 0; i < stride; i++) {
      const left = i >= channels ? row[i - channels] : 0;
      const up = previous[i];
      const upLeft = i >= channels ? previous[i - channels] : 0;
      let predictor = 0;
      if (filter === 1) predictor = left;
      if (filter === 2) predictor = up;
      if (filter === 3) predictor = (left + up) >> 1;
      if (filter === 4) {
        const p = left + up - upLeft;
        const pa = Math.abs(p - left), pb = Math.abs(p - up), pc = Math.abs(p - upLeft);
        predictor = pa <= pb && pa <= pc ? left : pb <= pc ? up : upLeft;
      }
      row[i] = (line[i] + predictor) & 0xff;
    }
    row.copy(previous);
    for (let x = 0; x < width; x++) {
      for (let c = 0; c < 4; c++) pixels[(y * width + x) * 4 + c] = c < channels ? row[x * channels + c] : 255;
    }
  }
  return { width, height, pixels };
}

export const chromiumArgs = [
  '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
  '--disable-component-update', '--disable-sync', '--autoplay-policy=no-user-gesture-required',
];

// Headless Chromium from Debian, and the site served on 127.0.0.1.
export async function startBrowser() {
  const { default: puppeteer } = await import('puppeteer-core');
  const server = await serveFolder(site, 0);
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: chromiumArgs,
    userDataDir: fs.mkdtempSync(path.join(os.tmpdir(), 'ostrel-chromium-')),
  });
  const url = `http://127.0.0.1:${server.address().port}/`;
  return {
    browser,
    url,
    async close() {
      await browser.close();
      server.close();
    },
  };
}

// In the page: the canvas's RGB CRC (bottom row first) and the frame on
// it, read in one go so no frame comes in between.
export async function canvasFrame(page) {
  return page.evaluate(() => {
    const canvas = document.getElementById('piece');
    const rgba = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
    const table = new Uint32Array(256);
    for (let n = 0; n < 256; n++) {
      let c = n;
      for (let k = 0; k < 8; k++) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
      table[n] = c >>> 0;
    }
    let c = 0xffffffff;
    for (let y = canvas.height - 1; y >= 0; y--) {
      for (let i = y * canvas.width * 4, end = i + canvas.width * 4; i < end; i += 4) {
        c = table[(c ^ rgba[i]) & 0xff] ^ (c >>> 8);
        c = table[(c ^ rgba[i + 1]) & 0xff] ^ (c >>> 8);
        c = table[(c ^ rgba[i + 2]) & 0xff] ^ (c >>> 8);
      }
    }
    return { frame: window.ostrel.stats().frame, rgb: (c ^ 0xffffffff) >>> 0 };
  });
}
