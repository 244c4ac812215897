// The page in Debian's Chromium, headless, with the site served on
// 127.0.0.1: stills and live frames against the committed CRCs, the keys,
// the framing in the window, and the messages for bad parameters.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { after, before, describe, test } from 'node:test';

import { committedCrcs, frameAt, pictureCrc, startBrowser } from './support.mjs';

let chromium;
const committed = { 2718: committedCrcs('2718'), 7: committedCrcs('7') };

before(async () => {
  chromium = await startBrowser();
});
after(async () => {
  await chromium.close();
});

async function openPage(query, viewport = { width: 1280, height: 720 }) {
  const page = await chromium.browser.newPage();
  const errors = [];
  page.on('pageerror', (error) => errors.push(error.message));
  page.errors = errors;
  await page.setViewport(viewport);
  await page.goto(chromium.url + query);
  return page;
}

const messages = (page) => page.$eval('#messages', (box) => box.textContent);
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

async function waitForPrompt(page) {
  await page.waitForFunction(() => document.documentElement.dataset.prompt === 'shown', { timeout: 30000 });
}

async function waitForFrame(page, frame, timeout = 30000) {
  await page.waitForFunction((n) => window.ostrel && window.ostrel.stats().frame >= n, { timeout }, frame);
}

// Loads each still of a run and checks the canvas against the committed
// frame.
async function checkStills(handle, seed, times) {
  const start = seed === '7' ? 37.123 : 0;
  const page = await handle.browser.newPage();
  const errors = [];
  page.on('pageerror', (error) => errors.push(error.message));
  for (const t of times) {
    const frame = frameAt(start, t);
    await page.goto(`${handle.url}?seed=${seed}${start ? `&start=${start}` : ''}&frame=${frame}`);
    await page.waitForFunction((n) => document.documentElement.dataset.frame === String(n), { timeout: 60000 }, frame);
    const shown = await pictureCrc(page);
    assert.equal(shown.frame, frame);
    assert.equal(shown.rgb, committed[seed][frame - 1].rgb, `seed ${seed}, frame ${frame} (song time ${t} s)`);
  }
  assert.equal(await messages(page), '');
  assert.deepEqual(errors, []);
  await page.close();
}

// Live frames of the seed 7 run equal its offline frames, with sound or,
// where the browser has no audio device, on the page's own clock.
async function checkLiveFrames(page, samples) {
  for (let i = 0; i < samples; i++) {
    const shown = await pictureCrc(page);
    assert.equal(shown.rgb, committed[7][shown.frame - 1].rgb, `live frame ${shown.frame}`);
    await sleep(300);
  }
}

describe('stills', () => {
  // Frames of every act: lead-in, capture, title card, swirl, blue wave,
  // cull, red bleeding, tree, credits, stripes, blackout.
  test('seed 2718: the canvas holds exactly the offline frame', () =>
    checkStills(chromium, '2718', [-1, 10, 30.5, 48.2, 58, 80, 150, 170.3, 206.5, 225.5, 230, 254]));
  test('seed 7 from 37.123 s: the canvas holds exactly the offline frame', () =>
    checkStills(chromium, '7', [35.6, 40.5, 70, 166, 228, 250]));
});

describe('live playback', () => {
  let page;
  const downloads = fs.mkdtempSync(path.join(os.tmpdir(), 'ostrel-downloads-'));
  const press = async (key) => {
    await page.keyboard.press(key);
    await sleep(100);
  };
  const matchesCommitted = async () => {
    const shown = await pictureCrc(page);
    return shown.rgb === committed[7][shown.frame - 1].rgb;
  };
  // Polled for up to 3 s: a key takes effect on the next frame drawn.
  const eventually = async (want) => {
    for (let i = 0; i < 30; i++) {
      if ((await matchesCommitted()) === want) return true;
      await sleep(100);
    }
    return false;
  };

  before(async () => {
    page = await openPage('?seed=7&start=37.123');
    const cdp = await page.createCDPSession();
    await cdp.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads });
    await waitForPrompt(page);
    await page.mouse.click(640, 360);
    await waitForFrame(page, 200);
  });
  after(async () => {
    await page.close();
  });

  test('frames follow the audio clock and equal the offline frames', async () => {
    const first = await page.evaluate(() => [window.ostrel.stats(), performance.now()]);
    await sleep(2000);
    const second = await page.evaluate(() => [window.ostrel.stats(), performance.now()]);
    const expected = ((second[1] - first[1]) / 1000) * 60;
    const advanced = second[0].frame - first[0].frame;
    assert.ok(Math.abs(advanced - expected) < 12, `${advanced} frames in ${expected / 60} s`);
    assert.equal(second[0].shown + second[0].skipped, second[0].frame);
    await checkLiveFrames(page, 3);
    assert.equal(await messages(page), '', 'the music plays');
  });

  test('S saves the frame on screen as a PNG named by seed and frame', async () => {
    await press('s');
    let saved = [];
    for (let i = 0; i < 50 && saved.length === 0; i++) {
      await sleep(100);
      saved = fs.readdirSync(downloads).filter((name) => name.endsWith('.png'));
    }
    assert.equal(saved.length, 1);
    const match = /^ostrel-0007-frame-(\d{6})\.png$/.exec(saved[0]);
    assert.ok(match, saved[0]);
    const png = await pictureCrc(page, fs.readFileSync(path.join(downloads, saved[0])).toString('base64'));
    assert.deepEqual([png.width, png.height], [1920, 1080]);
    assert.equal(png.rgb, committed[7][Number(match[1]) - 1].rgb);
  });

  test('I shows and hides the seed and bar counter', async () => {
    await press('i');
    assert.ok(await eventually(false), 'the head-up text is drawn');
    const counter = await page.evaluate(() => {
      const data = document.getElementById('piece').getContext('2d').getImageData(8, 8, 41, 7).data;
      return data.some((v, i) => i % 4 !== 3 && v === 255);
    });
    assert.ok(counter, 'the bar counter at the top left');
    await press('i');
    assert.ok(await eventually(true), 'the head-up text is gone');
  });

  test('F switches full screen on and off', async () => {
    await press('f');
    await page.waitForFunction(() => document.fullscreenElement !== null, { timeout: 5000 });
    await press('f');
    await page.waitForFunction(() => document.fullscreenElement === null, { timeout: 5000 });
  });

  test('R draws a fresh seed while the music and song time go on', async () => {
    const before = await page.evaluate(() => window.ostrel.stats().frame);
    await press('r');
    await sleep(500);
    const seed = new URL(page.url()).searchParams.get('seed');
    assert.match(seed, /^\d+$/);
    assert.ok(await eventually(false), 'the graph is rebuilt');
    const after = await page.evaluate(() => [window.ostrel.stats().frame, window.ostrel.state()]);
    assert.ok(after[0] > before + 20, 'song time goes on');
    assert.equal(after[1], 'playing');
    assert.deepEqual(page.errors, []);
  });
});

describe('framing', () => {
  // Window size, device pixels per CSS pixel; the rectangle the picture
  // takes, in CSS pixels, and whether it is scaled by whole blocks.
  const cases = [
    [{ width: 1280, height: 720 }, { x: 0, y: 0, width: 1280, height: 720 }, 'auto'],
    [{ width: 1920, height: 1200 }, { x: 0, y: 60, width: 1920, height: 1080 }, 'pixelated'],
    [{ width: 1920, height: 1080, deviceScaleFactor: 2 }, { x: 0, y: 0, width: 1920, height: 1080 }, 'pixelated'],
    [{ width: 1000, height: 1000 }, { x: 0, y: 218, width: 1000, height: 563 }, 'auto'],
  ];
  for (const [viewport, rect, rendering] of cases) {
    test(`${viewport.width}x${viewport.height} at ${viewport.deviceScaleFactor || 1}x`, async () => {
      const page = await openPage('?seed=7', viewport);
      await waitForPrompt(page);
      const placed = await page.$eval('#piece', (canvas) => {
        const box = canvas.getBoundingClientRect();
        return [{ x: box.x, y: box.y, width: box.width, height: box.height }, canvas.style.imageRendering];
      });
      assert.deepEqual(placed, [rect, rendering]);
      if (viewport.width === 1920 && viewport.height === 1200) {
        // What the window shows: the prompt pixel for pixel between black
        // bars (the screenshot's bars cropped to black give the same CRC).
        const shot = await page.screenshot({ encoding: 'base64' });
        const inWindow = await page.evaluate(async (png) => {
          const image = new Image();
          image.src = `data:image/png;base64,${png}`;
          await image.decode();
          const sheet = document.createElement('canvas').getContext('2d');
          sheet.canvas.width = 1920;
          sheet.canvas.height = 1080;
          sheet.drawImage(image, 0, 60, 1920, 1080, 0, 0, 1920, 1080);
          const bars = document.createElement('canvas').getContext('2d');
          bars.canvas.width = 1920;
          bars.canvas.height = 120;
          bars.drawImage(image, 0, 0, 1920, 60, 0, 0, 1920, 60);
          bars.drawImage(image, 0, 1140, 1920, 60, 0, 60, 1920, 60);
          const lit = bars.getImageData(0, 0, 1920, 120).data.some((v, i) => i % 4 !== 3 && v !== 0);
          return [sheet.canvas.toDataURL('image/png').split(',')[1], lit];
        }, shot);
        assert.equal(inWindow[1], false, 'the bars are black');
        assert.equal((await pictureCrc(page, inWindow[0])).rgb, (await pictureCrc(page)).rgb);
      }
      await page.close();
    });
  }
});

describe('bad parameters', () => {
  const cases = [
    ['?seed=abc', 'seed=abc: it is not a number; playing seed 0000.'],
    ['?seed=7x', 'seed=7x: only the number at its start counts; playing seed 0007.'],
    ['?seed=7&start=-5', 'start=-5: a start cannot be negative; starting at 0 s.'],
    ['?seed=7&start=nan', 'start=nan: it is not a number; starting at 0 s.'],
    ['?seed=7&frame=0', 'frame=0: give a whole number from 1 to 15480; playing the piece instead.'],
    ['?seed=7&frame=2.5', 'frame=2.5: give a whole number from 1 to 15480; playing the piece instead.'],
    ['?seed=7&frame=15481', 'frame=15481: past the last frame of this run, 15480; playing the piece instead.'],
    ['?seed=7&start=100&frame=9500', 'frame=9500: past the last frame of this run, 9481; playing the piece instead.'],
  ];
  test('each gets its line, and the prompt is shown', async () => {
    const page = await openPage('');
    for (const [query, line] of cases) {
      await page.goto(chromium.url + query);
      await waitForPrompt(page);
      assert.equal(await messages(page), line, query);
    }
    assert.deepEqual(page.errors, []);
    await page.close();
  });

  test('without the track the page says so once and plays silently', async () => {
    const page = await chromium.browser.newPage();
    await page.setRequestInterception(true);
    page.on('request', (request) => {
      if (request.url().endsWith('.mp3')) request.respond({ status: 404, body: 'gone' });
      else request.continue();
    });
    await page.goto(`${chromium.url}?seed=7`);
    await waitForPrompt(page);
    await page.keyboard.press('Enter');
    await waitForFrame(page, 150);
    assert.equal(await messages(page), 'No sound: the track beat3-140bpm.mp3 is missing (404); playing silently.');
    const shown = await pictureCrc(page);
    assert.ok(shown.frame >= 150);
    await page.close();
  });
});

describe('firefox', () => {
  let firefox;
  before(async () => {
    firefox = await startBrowser('firefox');
  });
  after(async () => {
    await firefox.close();
  });

  test('stills and live frames equal the offline frames', async () => {
    await checkStills(firefox, '2718', [30.5, 80, 170.3, 225.5]);
    await checkStills(firefox, '7', [70, 228]);
    const page = await firefox.browser.newPage();
    await page.goto(`${firefox.url}?seed=7&start=37.123`);
    await waitForPrompt(page);
    await page.mouse.click(100, 100);
    await waitForFrame(page, 200);
    await checkLiveFrames(page, 3);
    await page.close();
  });
});
