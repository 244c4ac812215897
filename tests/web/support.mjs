// Shared by the browser edition's tests: the built site, the WebAssembly
// build loaded under node, the committed CRCs of every frame of the two
// reference runs, headless Chromium and a server for the site.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { createRequire } from 'node:module';
import { fileURLToPath } from 'node:url';

import { serveFolder } from '../../web/serve.mjs';

export const repo = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
export const site = path.join(repo, 'build-web/site');
const require = createRequire(import.meta.url);

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

// Every frame of a committed run, stepped and drawn under node exactly as
// the page steps it, against the committed CRCs of its palette indexes and
// of its RGB bytes.
export async function checkWholeRun(seed, start) {
  const expected = committedCrcs(seed);
  const piece = await loadPiece();
  assert.equal(piece.UTF8ToString(piece.beginRun(seed, start, null, 0)), '');
  assert.equal(piece._web_run_frames(), expected.length, 'the run ends on its committed last frame');
  while (piece._web_step_seek(100000) !== 1) { /* the whole seek in one go */ }
  const differing = [];
  while (piece._web_step_frame(1) === 1) {
    const want = expected[piece._web_frame_number() - 1];
    const crcs = piece._web_frame_crcs() >>> 2;
    if (piece.HEAPU32[crcs] !== want.indexed || piece.HEAPU32[crcs + 1] !== want.rgb) {
      differing.push(piece._web_frame_number());
    }
  }
  assert.equal(piece._web_frame_number(), expected.length);
  assert.deepEqual(differing.slice(0, 10), [], `${differing.length} frames of seed ${seed} differ`);
}

// Headless Chromium (or Firefox) from Debian, and the site served on
// 127.0.0.1. A browser that stops answering fails the call within a
// minute, and one that does not close is killed: a stalled browser fails
// its test rather than holding the run.
export async function startBrowser(kind = 'chromium') {
  const { default: puppeteer } = await import('puppeteer-core');
  const server = await serveFolder(site, 0);
  const protocolTimeout = 60000;
  const browser = kind === 'firefox'
    ? await puppeteer.launch({
      browser: 'firefox',
      executablePath: process.env.FIREFOX || '/usr/bin/firefox-esr',
      headless: true,
      protocolTimeout,
      extraPrefsFirefox: { 'media.autoplay.default': 0 },
    })
    : await puppeteer.launch({
      executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
      protocolTimeout,
      headless: true,
      args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
        '--disable-component-update', '--disable-sync', '--autoplay-policy=no-user-gesture-required'],
      userDataDir: fs.mkdtempSync(path.join(os.tmpdir(), 'ostrel-chromium-')),
    });
  const url = `http://127.0.0.1:${server.address().port}/`;
  return {
    browser,
    url,
    async close() {
      const closed = browser.close().then(() => true, () => false);
      if (!await Promise.race([closed, new Promise((resolve) => setTimeout(resolve, 20000, false))])) {
        browser.process()?.kill('SIGKILL');
      }
      server.close();
    },
  };
}

// In the page: the RGB CRC (bottom row first, as the committed ones are
// taken) of the canvas, or of a PNG given as base64 (or the rectangle
// [x, y, width, height] of it), whether any pixel is not black, the size,
// and the frame on the canvas, read in one go so no frame comes between.
export async function pictureCrc(page, pngBase64 = null, crop = null) {
  return page.evaluate(async (png, rect) => {
    let source = document.getElementById('piece');
    const frame = window.ostrel.stats().frame;
    if (png !== null) {
      source = new Image();
      source.src = `data:image/png;base64,${png}`;
      await source.decode();
    }
    const [x, y, w, h] = rect || [0, 0, source.width, source.height];
    const canvas = document.createElement('canvas');
    canvas.width = w;
    canvas.height = h;
    const context = canvas.getContext('2d');
    context.drawImage(source, x, y, w, h, 0, 0, w, h);
    const rgba = context.getImageData(0, 0, canvas.width, canvas.height).data;
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
    const lit = rgba.some((v, i) => i % 4 !== 3 && v !== 0);
    return { frame, width: w, height: h, lit, rgb: (c ^ 0xffffffff) >>> 0 };
  }, pngBase64, crop);
}
