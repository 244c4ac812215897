// Speed of the browser edition (tools/web.sh builds it first):
//   node bench/web_bench.mjs
// 1. the WebAssembly build drawing a whole run under node (seed 42, every
//    frame drawn, as build/raster_run_bench draws it natively), and the
//    same with the page's conversion of every frame for the canvas;
// 2. in headless Chromium, the share of frames stepped without being shown
//    over 12 s of the tree scene (from 170 s) and of the blue act (from
//    60 s);
// 3. page load to the prompt, and the click to the first frame;
// 4. the site's size without the track.
import fs from 'node:fs';
import path from 'node:path';

import { loadPiece, site, startBrowser } from '../tests/web/support.mjs';

async function wholeRun(convert) {
  const piece = await loadPiece();
  piece.beginRun('42', null, null, 0);
  const begun = performance.now();
  let frames = 0;
  while (piece._web_step_frame(1) === 1) {
    if (convert) piece._web_frame_rgba();
    frames++;
  }
  const seconds = (performance.now() - begun) / 1000;
  return { frames, seconds, msPerFrame: (seconds * 1000) / frames };
}

async function playFor(chromium, start, seconds) {
  const page = await chromium.browser.newPage();
  await page.setViewport({ width: 1920, height: 1080 });
  await page.goto(`${chromium.url}?seed=2718&start=${start}`);
  await page.waitForFunction(() => document.documentElement.dataset.prompt === 'shown', { timeout: 60000 });
  await page.mouse.click(960, 540);
  // From 1 s into the music: the first frames wait for the audio device.
  await page.waitForFunction(() => window.ostrel.stats().frame >= 180, { timeout: 60000 });
  const first = await page.evaluate(() => window.ostrel.stats());
  await new Promise((resolve) => setTimeout(resolve, seconds * 1000));
  const last = await page.evaluate(() => window.ostrel.stats());
  const times = await page.evaluate(() => window.ostrel.times());
  await page.close();
  const frames = last.frame - first.frame;
  const skipped = last.skipped - first.skipped;
  return { start, frames, skipped, share: skipped / frames, times };
}

function siteSize() {
  let bytes = 0;
  for (const name of fs.readdirSync(site)) {
    if (!name.endsWith('.mp3')) bytes += fs.statSync(path.join(site, name)).size;
  }
  return bytes;
}

const drawn = await wholeRun(false);
console.log(`wasm, whole run drawn:            ${drawn.frames} frames in ${drawn.seconds.toFixed(2)} s, ` +
            `${drawn.msPerFrame.toFixed(3)} ms a frame`);
const converted = await wholeRun(true);
console.log(`wasm, drawn and made canvas RGBA: ${converted.frames} frames in ${converted.seconds.toFixed(2)} s, ` +
            `${converted.msPerFrame.toFixed(3)} ms a frame`);

const chromium = await startBrowser();
try {
  for (const [name, start] of [['tree scene', 170], ['blue act', 60]]) {
    const run = await playFor(chromium, start, 12);
    console.log(`chromium, ${name} from ${start} s: ${run.skipped} of ${run.frames} frames skipped ` +
                `(${(run.share * 100).toFixed(2)} %); load to prompt ${run.times.prompt.toFixed(0)} ms, ` +
                `click to first frame ${(run.times.firstFrame - run.times.play).toFixed(1)} ms`);
  }
} finally {
  await chromium.close();
}
console.log(`site without the track: ${siteSize()} bytes (${(siteSize() / 1024).toFixed(1)} KB)`);
