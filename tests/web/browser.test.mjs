// The page in headless Chromium (and Firefox), with the site served on
// 127.0.0.1: stills and live frames against the committed CRCs, the keys,
// the framing in the window, and the messages for bad parameters.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { after, before, describe, test } from 'node:test';

import { committedCrcs, frameAt, pictureCrc, site, startBrowser } from './support.mjs';

let chromium;
const committed = { 2718: committedCrcs('2718'), 7: committedCrcs('7') };
before(async () => { chromium = await startBrowser(); });
after(() => chromium.close());

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const messages = (page) => page.$eval('#messages', (box) => box.textContent);
const waitForPrompt = (page) =>
  page.waitForFunction(() => document.documentElement.dataset.prompt === 'shown', { timeout: 60000 });
const waitForFrame = (page, frame) =>
  page.waitForFunction((n) => window.ostrel && window.ostrel.stats().frame >= n, { timeout: 60000 }, frame);

// A page of the site; requests for files ending in a key of answers get
// that answer instead: a status, { status, body }, or null (none ever).
async function openPage(handle, query, viewport = { width: 1280, height: 720 }, answers = {}) {
  const page = await handle.browser.newPage();
  page.errors = [];
  page.on('pageerror', (error) => page.errors.push(error.message));
  await page.setViewport(viewport);
  if (Object.keys(answers).length > 0) {
    await page.setRequestInterception(true);
    page.on('request', (request) => {
      const ending = Object.keys(answers).find((end) => request.url().split('?')[0].endsWith(end));
      const answer = answers[ending];
      if (ending === undefined) request.continue();
      else if (answer !== null) request.respond(typeof answer === 'number' ? { status: answer, body: 'not this' } : answer);
    });
  }
  await page.goto(handle.url + query);
  return page;
}

// Each still of a run, loaded in turn, against the committed frame.
async function checkStills(handle, seed, times) {
  const start = seed === '7' ? 37.123 : 0;
  const page = await openPage(handle, '?frame=1');
  for (const t of times) {
    const frame = frameAt(start, t);
    await page.goto(`${handle.url}?seed=${seed}${start ? `&start=${start}` : ''}&frame=${frame}`);
    await page.waitForFunction((n) => document.documentElement.dataset.frame === String(n), { timeout: 60000 }, frame);
    const shown = await pictureCrc(page);
    assert.equal(shown.frame, frame);
    assert.equal(shown.rgb, committed[seed][frame - 1].rgb, `seed ${seed}, frame ${frame} (song time ${t} s)`);
  }
  assert.equal(await messages(page), '');
  assert.deepEqual(page.errors, []);
  await page.close();
}

// Whether the canvas shows the seed 7 run's offline frame (or, polled for
// up to 3 s, comes to show it or not: a key acts on the next frame drawn).
async function showsOfflineFrame(page, want = true, tries = 1) {
  for (let i = 0; i < tries; i++, await sleep(100)) {
    const shown = await pictureCrc(page);
    if ((shown.rgb === committed[7][shown.frame - 1].rgb) === want) return true;
  }
  return false;
}
const eventuallyShowsOfflineFrame = (page, want) => showsOfflineFrame(page, want, 30);

// Starts the seed 7 run live and waits until its graph is on screen.
async function playSeed7(handle) {
  const page = await openPage(handle, '?seed=7&start=37.123#moment');
  await waitForPrompt(page);
  await page.mouse.click(100, 100);
  await waitForFrame(page, 200);
  return page;
}

describe('stills', () => {
  // Every act: lead-in, capture, title card, swirl, blue wave, cull, red
  // bleeding, tree, credits, stripes, blackout.
  test('seed 2718: the canvas holds exactly the offline frame', () =>
    checkStills(chromium, '2718', [-1, 10, 30.5, 48.2, 58, 80, 150, 170.3, 206.5, 225.5, 230, 254]));
  test('seed 7 from 37.123 s: the canvas holds exactly the offline frame', () =>
    checkStills(chromium, '7', [35.6, 40.5, 70, 166, 228, 250]));
});

describe('live playback', () => {
  let page;
  const downloads = fs.mkdtempSync(path.join(os.tmpdir(), 'ostrel-downloads-'));
  const press = (key) => page.keyboard.press(key).then(() => sleep(100));
  // Frames passed and skipped while during() runs, against the frames
  // due in the time it took.
  const framesDuring = async (during) => {
    const stamp = () => page.evaluate(() => [window.ostrel.stats(), performance.now()]);
    const [first, begun] = await stamp();
    await during();
    const [last, ended] = await stamp();
    assert.equal(last.shown + last.skipped, last.frame);
    return { due: ((ended - begun) / 1000) * 60, passed: last.frame - first.frame, skipped: last.skipped - first.skipped };
  };

  before(async () => {
    page = await playSeed7(chromium);
    const cdp = await page.createCDPSession();
    await cdp.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads });
  });
  after(() => page.close());

  test('frames follow the audio clock and equal the offline frames', async () => {
    const run = await framesDuring(() => sleep(2000));
    assert.ok(Math.abs(run.passed - run.due) < 12, `${run.passed} frames where ${run.due} were due`);
    for (let i = 0; i < 3; i++, await sleep(300)) assert.ok(await showsOfflineFrame(page));
    assert.equal(await messages(page), '', 'the music plays');
  });

  test('a stalled tab steps the frames it missed without showing them', async () => {
    const run = await framesDuring(async () => {
      await page.evaluate(() => {
        const end = performance.now() + 1000;
        while (performance.now() < end) { /* the page's thread is busy for 1 s */ }
      });
      await sleep(200);
    });
    assert.ok(run.skipped >= 50 && Math.abs(run.passed - run.due) < 12, `${run.skipped} skipped, on time again`);
    assert.ok(await showsOfflineFrame(page));
  });

  test('S saves the frame on screen as a PNG named by seed and frame', async () => {
    await press('s');
    let saved = [];
    for (let i = 0; i < 50 && saved.length === 0; i++, await sleep(100)) {
      saved = fs.readdirSync(downloads).filter((name) => name.endsWith('.png'));
    }
    const match = /^ostrel-0007-frame-(\d{6})\.png$/.exec(saved[0]);
    assert.ok(match, String(saved));
    const png = await pictureCrc(page, fs.readFileSync(path.join(downloads, saved[0])).toString('base64'));
    assert.deepEqual([png.width, png.height, png.rgb], [1920, 1080, committed[7][Number(match[1]) - 1].rgb]);
  });

  test('I shows and hides the seed and bar counter; F switches full screen', async () => {
    await press('i');
    assert.ok(await eventuallyShowsOfflineFrame(page, false), 'the head-up text is drawn');
    await press('i');
    assert.ok(await eventuallyShowsOfflineFrame(page, true), 'the head-up text is gone');
    await press('f');
    await page.waitForFunction(() => document.fullscreenElement !== null, { timeout: 5000 });
    await press('f');
    await page.waitForFunction(() => document.fullscreenElement === null, { timeout: 5000 });
  });

  test('R draws a fresh seed while the music and song time go on', async () => {
    const run = await framesDuring(async () => {
      await press('r');
      assert.ok(await eventuallyShowsOfflineFrame(page, false), 'the graph is rebuilt');
    });
    assert.ok(Math.abs(run.passed - run.due) < 12, 'song time goes on');
    assert.match(new URL(page.url()).searchParams.get('seed'), /^\d+$/);
    assert.equal(new URL(page.url()).hash, '#moment', 'the fragment stays');
    assert.deepEqual(page.errors, []);
  });
});

describe('framing', () => {
  // Window size and device pixels per CSS pixel; the rectangle the picture
  // takes in CSS pixels, and whether it is scaled by whole blocks.
  const cases = [
    [{ width: 1280, height: 720 }, { x: 0, y: 0, width: 1280, height: 720 }, 'auto'],
    [{ width: 1920, height: 1200 }, { x: 0, y: 60, width: 1920, height: 1080 }, 'pixelated'],
    [{ width: 1920, height: 1080, deviceScaleFactor: 2 }, { x: 0, y: 0, width: 1920, height: 1080 }, 'pixelated'],
    [{ width: 1000, height: 1000 }, { x: 0, y: 218, width: 1000, height: 563 }, 'auto'],
  ];
  for (const [viewport, rect, rendering] of cases) {
    test(`${viewport.width}x${viewport.height} at ${viewport.deviceScaleFactor || 1}x`, async () => {
      const page = await openPage(chromium, '?seed=7', viewport);
      await waitForPrompt(page);
      const placed = await page.$eval('#piece', (canvas) => {
        const box = canvas.getBoundingClientRect();
        return [{ x: box.x, y: box.y, width: box.width, height: box.height }, canvas.style.imageRendering];
      });
      assert.deepEqual(placed, [rect, rendering]);
      if (rect.y === 60) {
        // What the window shows: the prompt pixel for pixel between black bars
        // (the page's status text, over it, set aside).
        await page.$eval('#status', (box) => { box.style.display = 'none'; });
        const shot = await page.screenshot({ encoding: 'base64' });
        const crop = async (y, h) => pictureCrc(page, shot, [0, y, 1920, h]);
        assert.equal((await crop(60, 1080)).rgb, (await pictureCrc(page)).rgb);
        assert.deepEqual([(await crop(0, 60)).lit, (await crop(1140, 60)).lit], [false, false]);
      }
      await page.close();
    });
  }
});

describe('bad parameters', () => {
  test('each gets its line, and the prompt is shown', async () => {
    const page = await openPage(chromium, '?seed=abc&start=-5&frame=0');
    await waitForPrompt(page);
    assert.equal(await messages(page), 'seed=abc: it is not a number; playing seed 0000.\n' +
      'start=-5: a start cannot be negative; starting at 0 s.\n' +
      'frame=0: give a whole number from 1 to 15480; playing the piece instead.');
    // The lines go at the first key (which plays), as after some seconds.
    await page.keyboard.press('Enter');
    await waitForFrame(page, 5);
    assert.equal(await messages(page), '');
    assert.deepEqual(page.errors, []);
    await page.close();
  });

  test('without the track the page says so once and plays silently', async () => {
    const page = await openPage(chromium, '?seed=7', undefined, { '.mp3': 404 });
    await waitForPrompt(page);
    await page.keyboard.press('Enter');
    await waitForFrame(page, 150);
    assert.equal(await messages(page), 'No sound: the track beat3-140bpm.mp3 is missing (404); playing silently.');
    await page.close();
  });
});

describe('sound and picture', () => {
  // The page's AudioContext made slow to start (resume takes 1.5 s) or
  // refused (resume never resolves until window.allowSound is set).
  async function openWithOutput(kind, query = '?seed=7&start=37.123') {
    const page = await chromium.browser.newPage();
    await page.evaluateOnNewDocument((slow) => {
      // Every message line ever shown, also one gone since.
      window.seenMessages = [];
      document.addEventListener('DOMContentLoaded', () => {
        const box = document.getElementById('messages');
        new MutationObserver(() => { if (box.textContent) window.seenMessages.push(box.textContent); })
          .observe(box, { childList: true, characterData: true, subtree: true });
      });
      const Real = window.AudioContext;
      window.AudioContext = class extends Real {
        constructor(...args) {
          super(...args);
          super.suspend();
          this.made = performance.now();
        }
        // While stopped, the last stamp of a moment it ran (as a real one
        // keeps it): it must not be carried on with the performance clock.
        getOutputTimestamp() {
          return this.state === 'running' ? super.getOutputTimestamp() : { contextTime: 0.05, performanceTime: this.made };
        }
        resume() {
          if (slow) return new Promise((resolve) => setTimeout(() => super.resume().then(resolve), 1500));
          return window.allowSound ? super.resume() : new Promise(() => {});
        }
      };
    }, kind === 'slow');
    await page.setViewport({ width: 1280, height: 720 });
    await page.goto(chromium.url + query);
    return page;
  }
  const lag = (page) => page.evaluate(() => window.ostrel.lag());
  const inStep = async (page) => {
    await page.waitForFunction(() => window.ostrel.lag() !== null, { timeout: 20000 });
    for (let i = 0; i < 5; i++, await sleep(200)) {
      const frames = await lag(page);
      assert.ok(Math.abs(frames) <= 1, `the picture is ${frames} frames from the music`);
    }
  };

  test('a slow sound output holds the picture, then both run in step, with no message', async () => {
    const page = await openWithOutput('slow');
    await waitForPrompt(page);
    await page.mouse.click(100, 100);
    await sleep(1000);
    assert.ok((await page.evaluate(() => window.ostrel.stats().frame)) <= 2, 'the picture waits');
    await inStep(page);
    assert.deepEqual(await page.evaluate(() => window.seenMessages), []);
    await page.close();
  });

  test('refused sound is said in plain words; a later click brings it in, in step', async () => {
    const page = await openWithOutput('refused');
    await waitForPrompt(page);
    await page.mouse.click(100, 100);
    await page.waitForFunction(() => document.getElementById('messages').textContent !== '', { timeout: 10000 });
    assert.equal(await messages(page), 'No sound: the browser has not let this page play sound; ' +
      'click or press a key to bring it in; playing silently.');
    const before = await page.evaluate(() => window.ostrel.stats().frame);
    await sleep(500);
    assert.ok((await page.evaluate(() => window.ostrel.stats().frame)) > before + 15, 'the picture plays on');
    await page.evaluate(() => { window.allowSound = true; });
    await page.mouse.click(100, 100);
    await inStep(page);
    assert.equal(await messages(page), '');
    await page.close();
  });

  test('a click during the loader plays as soon as the piece is ready, with sound', async () => {
    const page = await openWithOutput('refused', '?seed=7&start=150');
    await page.waitForFunction(() => window.ostrel && window.ostrel.state() === 'seeking', { timeout: 20000 });
    await page.evaluate(() => { window.allowSound = true; });
    await page.mouse.click(100, 100);
    await page.waitForFunction(() => window.ostrel.state() === 'playing', { timeout: 60000 });
    await inStep(page);
    await page.close();
  });
});

describe('loading', () => {
  const status = (page) => page.$eval('#status', (box) => box.textContent);
  test('on a slow network words come at once, then the prompt, long before the track', async () => {
    const page = await chromium.browser.newPage();
    const cdp = await page.createCDPSession();
    await cdp.send('Network.enable');
    // 400 kbit/s down, 200 ms of latency.
    await cdp.send('Network.emulateNetworkConditions',
      { offline: false, latency: 200, downloadThroughput: 50000, uploadThroughput: 50000 });
    const begun = Date.now();
    await page.goto(`${chromium.url}?seed=7`, { waitUntil: 'domcontentloaded' });
    assert.match(await status(page), /^Loading the piece/);
    const words = Date.now() - begun;
    await waitForPrompt(page);
    const prompt = Date.now() - begun;
    assert.match(await status(page), /^Click, tap or press a key to play\.\nLoading the music… \d+%$/);
    await page.mouse.click(100, 100);
    await waitForFrame(page, 60);
    assert.match(await status(page), /^The music is on its way/);
    console.log(`400 kbit/s: words after ${words} ms, prompt after ${prompt} ms`);
    await page.close();
  });

  test('a track that never answers holds nothing: the prompt, the picture, and stills', async () => {
    const page = await openPage(chromium, '?seed=7', undefined, { '.mp3': null });
    await waitForPrompt(page);
    await page.mouse.click(100, 100);
    await waitForFrame(page, 90);
    await page.goto(`${chromium.url}?seed=7&start=37.123&frame=3000`);
    await page.waitForFunction(() => document.documentElement.dataset.frame === '3000', { timeout: 60000 });
    assert.equal((await pictureCrc(page)).rgb, committed[7][2999].rgb);
    await page.close();
  });

  test('a missing or damaged file is said in plain words, and what to do', async () => {
    const cases = [
      [{ '.wasm': 404 }, '#messages', /^The piece could not be loaded: its file ostrel-wasm\.wasm is missing \(404\)\. Reload/],
      [{ '.wasm': 200 }, '#messages', /^The piece could not be loaded: its file ostrel-wasm\.wasm is damaged\. Reload/],
      [{ 'ostrel.js': 404 }, '#status', /^The piece could not be loaded: its file ostrel\.js is missing\. Reload/],
    ];
    for (const [answers, box, words] of cases) {
      const page = await openPage(chromium, '?seed=7', undefined, answers);
      await page.waitForFunction((b, w) => new RegExp(w).test(document.querySelector(b).textContent),
        { timeout: 20000 }, box, words.source);
      await page.close();
    }
    const page = await chromium.browser.newPage();
    await page.goto(`file://${path.join(site, 'index.html')}`);
    await page.waitForFunction(() => document.getElementById('messages').textContent !== '', { timeout: 20000 });
    assert.match(await messages(page), /opened through a web server, not as a file: run tools\/web\.sh --serve/);
    await page.close();
  });

  test('a phone: the words are at least 16 CSS px, and a tap plays', async () => {
    const page = await openPage(chromium, '?seed=7',
      { width: 390, height: 844, deviceScaleFactor: 3, isMobile: true, hasTouch: true });
    await waitForPrompt(page);
    const size = await page.$eval('#status', (box) => parseFloat(getComputedStyle(box).fontSize));
    assert.ok(size >= 16, `${size} CSS px`);
    await page.touchscreen.tap(200, 400);
    await waitForFrame(page, 30);
    await page.close();
  });
});

describe('the end', () => {
  // A track cut short closes the run at bar 135: from 229.5 s, the stripes
  // for 1.9 s, then the 4 s closing blackout.
  async function openNearTheEnd() {
    const track = fs.readFileSync(path.join(site, 'beat3-140bpm.mp3')).subarray(0, 1000000);
    // (Without the site's measured length, the page measures this track.)
    const page = await openPage(chromium, '?seed=7&start=229.5', undefined,
      { '.mp3': { status: 200, body: track, contentType: 'audio/mpeg' }, 'ostrel-track.json': 404 });
    await waitForPrompt(page);
    await page.mouse.click(100, 100);
    return page;
  }

  test('a tab hidden across the end shows the closing blackout, then offers to play again', async () => {
    const page = await openNearTheEnd();
    await page.waitForFunction(() => window.ostrel.stats().frame >= 170, { timeout: 60000 });
    assert.ok((await pictureCrc(page)).lit, 'the stripes are on screen');
    const other = await chromium.browser.newPage();
    await other.bringToFront();
    await sleep(5000);
    await page.bringToFront();
    await page.waitForFunction(() => window.ostrel.state() === 'ended', { timeout: 10000 });
    const shown = await pictureCrc(page);
    assert.deepEqual([shown.frame, shown.lit], [await page.evaluate(() => window.ostrel.stats().frame), false]);
    assert.match(await messages(page), /^The end\. Click, tap or press a key to play it again; R plays a fresh seed\.$/);
    // A key plays the same link again; at its end, R plays a fresh seed.
    await Promise.all([page.waitForNavigation(), page.keyboard.press('Enter')]);
    await waitForPrompt(page);
    assert.equal(new URL(page.url()).searchParams.get('seed'), '7');
    await page.mouse.click(100, 100);
    await page.waitForFunction(() => window.ostrel.state() === 'ended', { timeout: 60000 });
    await Promise.all([page.waitForNavigation(), page.keyboard.press('r')]);
    assert.notEqual(new URL(page.url()).searchParams.get('seed'), '7');
    await other.close();
    await page.close();
  });
});

test('firefox: stills and live frames equal the offline frames', async () => {
  const firefox = await startBrowser('firefox');
  await checkStills(firefox, '2718', [30.5, 80, 170.3, 225.5]);
  await checkStills(firefox, '7', [70, 228]);
  const page = await playSeed7(firefox);
  for (let i = 0; i < 3; i++, await sleep(300)) assert.ok(await showsOfflineFrame(page));
  await firefox.close();
});
