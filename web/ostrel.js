// The page: loads the WebAssembly build of the piece, reads the URL
// parameters through it, and drives its frames. Every frame is stepped by
// the piece exactly as an offline run steps it; the page only decides
// which frame is due (from the audio clock, or its own clock without
// sound), shows it, and handles the keys, full screen and saving a frame.
'use strict';

(function () {
  const width = 1920;
  const height = 1080;
  const fps = 60;
  const leadInSeconds = 2.0;
  const trackFile = 'beat3-140bpm.mp3';

  const canvas = document.getElementById('piece');
  const context = canvas.getContext('2d', { alpha: false });
  const messageBox = document.getElementById('messages');

  let piece = null;          // the WebAssembly module
  let image = null;          // ImageData over the module's frame
  let state = 'loading';     // loading, seeking, prompt, playing, still, ended
  const counts = { shown: 0, skipped: 0 };
  // Milliseconds from the page's start: prompt shown, play asked for,
  // first frame shown (for benchmarks).
  const times = { prompt: null, play: null, firstFrame: null };
  let clock = null;          // seconds of loop clock, once playing
  let lastDue = -1;
  let lastShown = 0;         // the number of the frame on the canvas

  // Messages, a line each, over the picture for a short while: a line goes
  // after messageSeconds, or at the first key or tap after it appeared,
  // unless it is one to act on (sticky: a failure, the end's offer). The
  // same line is never shown twice at once.
  const messageSeconds = 8;
  const lines = [];
  function showLines() {
    messageBox.textContent = lines.map((entry) => entry.line).join('\n');
  }
  function say(line, sticky = false) {
    if (lines.some((entry) => entry.line === line)) return;
    const entry = { line, sticky };
    lines.push(entry);
    showLines();
    if (!sticky) setTimeout(() => dismiss(entry), messageSeconds * 1000);
  }
  function dismiss(which) {
    const kept = lines.filter((entry) => entry !== which && (which !== 'passing' || entry.sticky));
    if (kept.length === lines.length) return;
    lines.splice(0, lines.length, ...kept);
    showLines();
  }

  // The picture fills the largest centred 16:9 rectangle of the window,
  // on whole device pixels; at a whole-number scale every picture pixel is
  // an exact block, otherwise it is scaled smoothly.
  function fitCanvas() {
    const ratio = window.devicePixelRatio || 1;
    const deviceWidth = Math.round(window.innerWidth * ratio);
    const deviceHeight = Math.round(window.innerHeight * ratio);
    const scale = Math.min(deviceWidth / width, deviceHeight / height);
    const whole = Math.floor(scale + 1e-9);
    const crisp = whole >= 1 && scale - whole < 1e-9;
    const w = crisp ? whole * width : Math.round(width * scale);
    const h = crisp ? whole * height : Math.round(height * scale);
    canvas.style.width = `${w / ratio}px`;
    canvas.style.height = `${h / ratio}px`;
    canvas.style.left = `${Math.floor((deviceWidth - w) / 2) / ratio}px`;
    canvas.style.top = `${Math.floor((deviceHeight - h) / 2) / ratio}px`;
    canvas.style.imageRendering = crisp ? 'pixelated' : 'auto';
  }

  function showFrame() {
    const pointer = piece._web_frame_rgba();
    if (image === null || image.data.buffer !== piece.HEAPU8.buffer) {
      image = new ImageData(new Uint8ClampedArray(piece.HEAPU8.buffer, pointer, width * height * 4), width, height);
    }
    context.putImageData(image, 0, 0);
  }

  function frameNumber() {
    return piece === null ? 0 : piece._web_frame_number();
  }

  function markFrame() {
    document.documentElement.dataset.frame = String(frameNumber());
  }

  function shareSeed(seed) {
    const parameters = new URLSearchParams(window.location.search);
    parameters.set('seed', String(seed));
    history.replaceState(null, '', `${window.location.pathname}?${parameters}${window.location.hash}`);
  }

  // The words that say where the page stands, as page text (readable at
  // any size): loading, preparing, the prompt, the music still on its way.
  const statusBox = document.getElementById('status');
  const status = { main: '', music: '' };
  function setStatus(main = status.main, music = status.music) {
    status.main = main;
    status.music = music;
    statusBox.textContent = [main, music].filter((text) => text).join('\n');
  }

  // A file of the site, with progress (whole percent) as it arrives:
  // { bytes, why } where bytes is null when it could not be had.
  async function fetchWithProgress(file, progress) {
    try {
      const response = await fetch(file);
      if (!response.ok) return { bytes: null, why: `is missing (${response.status})` };
      // (The length sent may be that of a compressed transfer: it only
      // gauges the progress.)
      const total = Number(response.headers.get('content-length')) || 0;
      if (!response.body || total === 0) return { bytes: await response.arrayBuffer(), why: '' };
      const reader = response.body.getReader();
      const parts = [];
      let got = 0;
      for (;;) {
        const { done, value } = await reader.read();
        if (done) break;
        parts.push(value);
        got += value.length;
        progress(Math.min(100, Math.floor((100 * got) / total)));
      }
      return { bytes: await new Blob(parts).arrayBuffer(), why: '' };
    } catch (error) {
      return { bytes: null, why: 'could not be loaded' };
    }
  }

  // The line on the music still on its way: before the click, and while
  // the piece plays without it.
  let trackArrived = false;
  let trackPercent = 0;
  function musicStatus() {
    if (trackArrived) return '';
    if (state === 'playing') {
      return `The music is on its way (${trackPercent}%): the piece plays on, and the music joins when it arrives.`;
    }
    return `Loading the music… ${trackPercent}%`;
  }
  async function fetchTrack() {
    const track = await fetchWithProgress(trackFile, (percent) => {
      trackPercent = percent;
      if (state === 'prompt' || state === 'playing') setStatus(undefined, musicStatus());
    });
    trackArrived = true;
    setStatus(undefined, '');
    return { bytes: track.bytes, why: track.why ? `the track ${trackFile} ${track.why}` : '' };
  }

  // What the site measured of its track when it was built (tools/web.sh),
  // or null: then the run waits for the track itself.
  async function shippedTrackLength() {
    try {
      const response = await fetch('ostrel-track.json');
      return response.ok ? await response.json() : null;
    } catch (error) {
      return null;
    }
  }

  function measureTrack(bytes) {
    if (bytes === null) return false;
    const pointer = piece._malloc(bytes.byteLength);
    piece.HEAPU8.set(new Uint8Array(bytes), pointer);
    const measured = piece._web_measure_track(pointer, bytes.byteLength) === 1;
    piece._free(pointer);
    return measured;
  }

  // The skipped timeline of a start part-way, a slice of steps per
  // animation frame behind the loader picture.
  function seek() {
    return new Promise((resolve) => {
      let steps = 120;
      function slice() {
        const begun = performance.now();
        const done = piece._web_step_seek(steps) === 1;
        showFrame();
        const spent = performance.now() - begun;
        if (spent < 8) steps *= 2; else if (spent > 16 && steps > 30) steps = Math.floor(steps / 2);
        if (done) resolve(); else requestAnimationFrame(slice);
      }
      state = 'seeking';
      slice();
    });
  }

  // A still: the frames before it are stepped a slice per animation frame
  // (a late one is thousands), so the page never freezes, then it is drawn.
  function showStill(frame) {
    return new Promise((resolve) => {
      function slice() {
        const begun = performance.now();
        while (frameNumber() < frame - 1 && performance.now() - begun < 12) {
          piece._web_step_frame(0);
          counts.skipped++;
        }
        if (frameNumber() < frame - 1) {
          setStatus(`Preparing frame ${frame}… ${Math.floor((100 * frameNumber()) / frame)}%`);
          requestAnimationFrame(slice);
          return;
        }
        piece._web_step_frame(1);
        counts.shown++;
        showFrame();
        lastShown = frameNumber();
        setStatus('');
        state = 'still';
        markFrame();
        resolve();
      }
      slice();
    });
  }

  // ---- Sound: the track plays on the audio clock, which sets the frame.

  const AudioContextType = window.AudioContext || window.webkitAudioContext;
  let audio = null;
  let decoded = null;
  let soundReady = Promise.resolve();
  let soundProblem = '';  // why there is no sound, known before the click
  let silent = false;     // the page's own clock has taken over
  let music = null;       // the track's source: { node, at, offset } once scheduled
  // Seconds the sound output may take to start before the page plays
  // silently (a waking Bluetooth device or sound server takes one or two).
  const outputStartSeconds = 8;

  // The audio context, made at the first chance: a click or key during the
  // loader lets it run at once.
  function ensureAudio() {
    if (audio === null && AudioContextType) {
      try {
        audio = new AudioContextType();
      } catch (error) {
        soundProblem = 'this browser could not open its sound output';
      }
    }
    return audio;
  }

  function makeAudio(bytes, why) {
    if (bytes === null) {
      soundProblem = why;
      return Promise.resolve();
    }
    if (!AudioContextType) {
      soundProblem = 'this browser has no Web Audio';
      return Promise.resolve();
    }
    if (ensureAudio() === null) return Promise.resolve();
    return audio.decodeAudioData(bytes.slice(0)).then(
      (buffer) => { decoded = buffer; },
      () => { soundProblem = `the track ${trackFile} could not be decoded`; });
  }

  // What the listener hears at the moment now (performance.now()'s clock;
  // the animation frame's own time steadies the frames).
  function heardTime(now = performance.now()) {
    // (A stopped output's last stamp must not be carried on with the
    // performance clock: only a running one is.)
    if (audio.state === 'running' && audio.getOutputTimestamp) {
      const stamp = audio.getOutputTimestamp();
      if (stamp.contextTime > 0 && stamp.performanceTime > 0) {
        return stamp.contextTime + (now - stamp.performanceTime) / 1000;
      }
    }
    return audio.currentTime - (audio.outputLatency || 0);
  }

  // The song time being heard, or null when no music plays.
  function heardSongTime() {
    if (music === null || silent) return null;
    const heard = heardTime();
    return heard < music.at ? null : music.offset + (heard - music.at);
  }

  function pageClock() {
    const begun = performance.now();
    return (now = performance.now()) => (now - begun) / 1000;
  }

  // Without sound the page's own clock goes on from where the loop clock
  // stands; said once. A track already scheduled is stopped, so that a
  // device that wakes later cannot play it out of step.
  function playSilently(why) {
    if (silent) return;
    silent = true;
    if (music !== null) music.node.stop();
    music = null;
    say(`No sound: ${why}; playing silently.`);
    const from = clock === null ? 0 : Math.max(0, clock());
    const since = pageClock();
    clock = (now) => from + since(now);
  }

  // The loop clock on the audio context, continuing from loop clock
  // fromLoop at this moment: while the sound output is still starting, its
  // clock stands and so does the picture. The track is scheduled as soon as
  // it is decoded (within the lead-in, as a rule); decoded later, it joins
  // at the point the clock has reached.
  function followAudio(fromLoop) {
    const startSeconds = piece._web_start_seconds();
    const base = audio.currentTime;
    const audioClock = (now) => fromLoop + Math.max(0, heardTime(now) - base);
    clock = audioClock;
    silent = false;
    soundReady.then(() => {
      if (clock !== audioClock) return;
      if (decoded === null) {
        playSilently(soundProblem || 'the track could not be decoded');
        return;
      }
      // Loop clock L is heard at context time base + L - fromLoop; song
      // time startSeconds + L - lead-in.
      const at = Math.max(base + leadInSeconds - fromLoop, audio.currentTime + 0.05);
      const offset = startSeconds + (fromLoop + (at - base)) - leadInSeconds;
      if (offset < decoded.duration) {
        const node = audio.createBufferSource();
        node.buffer = decoded;
        node.connect(audio.destination);
        node.start(at, offset);
        music = { node, at, offset };
      }
    });
    watchOutput(audioClock);
  }

  // The output is slow to start: the picture waits. One that has not
  // started in time leaves the page on its own clock, saying why: the
  // browser keeps it suspended (it has not allowed sound) for more than
  // 3 s, or it runs but plays nothing for outputStartSeconds. When it
  // starts later, by itself or at a click or key, the sound comes in at the
  // loop clock reached, in step.
  function watchOutput(audioClock) {
    const standing = audio.currentTime;
    const begun = performance.now();
    const check = () => {
      if (clock !== audioClock || audio.currentTime !== standing) return;
      const suspended = audio.state === 'suspended';
      if (performance.now() - begun < (suspended ? 3000 : outputStartSeconds * 1000)) {
        setTimeout(check, 250);
        return;
      }
      playSilently(suspended ? 'the browser has not let this page play sound; click or press a key to bring it in'
        : `the sound output has not started in ${outputStartSeconds} s`);
      watchForLateOutput();
    };
    setTimeout(check, 250);
  }

  function watchForLateOutput() {
    const standing = audio.currentTime;
    const check = () => {
      if (!silent || state !== 'playing') return;
      if (audio.state !== 'running' || audio.currentTime === standing) {
        setTimeout(check, 250);
        return;
      }
      dismiss(lines.find((entry) => entry.line.startsWith('No sound:')));
      followAudio(clock());
    };
    setTimeout(check, 250);
  }

  // A click or key asks a suspended output to start (the browser allows
  // it within the gesture).
  function resumeSound() {
    if (audio !== null && audio.state === 'suspended') audio.resume().catch(() => {});
  }

  function startSound() {
    if (audio === null) {
      playSilently(soundProblem || 'the track could not be played');
      return;
    }
    followAudio(0);
  }

  // ---- Playing: the frame due at the clock is shown; frames missed since
  // the last one (a slow or hidden tab) are stepped without being shown.

  function tick(now) {
    if (state !== 'playing') return;
    // Frame n shows loop clock (n - 1) / fps: the one due is the last whose
    // clock has been reached.
    const due = Math.max(lastDue, Math.floor(clock(now) * fps + 1e-6) + 1);
    lastDue = due;
    while (frameNumber() < due && piece._web_running()) {
      piece._web_step_frame(0);
      counts.skipped++;
    }
    if (frameNumber() === due && piece._web_running()) {
      piece._web_step_frame(1);
      counts.shown++;
      showFrame();
      lastShown = frameNumber();
      if (counts.shown === 1) {
        times.firstFrame = performance.now();
        markFrame();
      }
    }
    if (!piece._web_running()) {
      end();
      return;
    }
    requestAnimationFrame(tick);
  }

  // The run's last frame is the closing blackout's, all black: a tab that
  // was hidden across the end stepped it without showing it, and the
  // canvas would keep an earlier, lit frame. Then the page offers to play
  // again.
  function end() {
    if (lastShown !== frameNumber()) {
      context.fillStyle = '#000';
      context.fillRect(0, 0, width, height);
      lastShown = frameNumber();
    }
    markFrame();
    state = 'ended';
    say('The end. Click, tap or press a key to play it again; R (New seed) plays a fresh seed.', true);
    showControls();
  }

  // Plays the same link again, or (fresh) with a fresh seed.
  function replay(fresh) {
    if (fresh) shareSeed(freshSeed());
    window.location.reload();
  }

  function play() {
    if (state !== 'prompt') return;
    state = 'starting';
    times.play = performance.now();
    // Resumed within the click or key that allows it.
    if (ensureAudio() !== null) audio.resume().catch(() => {});
    startSound();
    state = 'playing';
    setStatus('', musicStatus());
    tick();
  }

  // ---- Keys: I, R, F and S, as live; the first key or click starts. A
  // touch screen reaches the same through the bar of controls.

  function toggleFullScreen() {
    if (document.fullscreenElement) {
      document.exitFullscreen().catch(() => {});
      return;
    }
    if (!document.documentElement.requestFullscreen) {
      say('This browser offers no full screen for a page; turn the device sideways for a larger picture.');
      return;
    }
    // A phone held upright is turned to landscape, where the picture
    // fills the screen.
    document.documentElement.requestFullscreen({ navigationUI: 'hide' }).then(() => {
      if (screen.orientation && screen.orientation.lock) screen.orientation.lock('landscape').catch(() => {});
    }, () => say('Full screen is not allowed here.'));
  }

  function saveFrame() {
    const seed = String(piece._web_seed()).padStart(4, '0');
    const frame = String(frameNumber()).padStart(6, '0');
    canvas.toBlob((blob) => {
      if (blob === null) {
        say('The frame could not be saved.');
        return;
      }
      const link = document.createElement('a');
      link.href = URL.createObjectURL(blob);
      link.download = `ostrel-${seed}-frame-${frame}.png`;
      document.body.appendChild(link);
      link.click();
      link.remove();
      setTimeout(() => URL.revokeObjectURL(link.href), 10000);
    }, 'image/png');
  }

  // A click, tap or key: plays at the prompt; during the loader it is kept
  // (with its permission to start the sound) and plays as soon as the
  // piece is ready; while playing it lets a suspended sound output start.
  let playWanted = false;
  function onGesture() {
    dismiss('passing');
    if (state === 'prompt') {
      play();
      return true;
    }
    if (state === 'loading' || state === 'seeking') {
      playWanted = true;
      if (ensureAudio() !== null) audio.resume().catch(() => {});
      return true;
    }
    if (state === 'playing') resumeSound();
    return false;
  }

  // What a key (or its control) does once the piece has begun: I, R, F, S
  // while it plays; F and S on a still; at the end R plays a fresh seed,
  // F and S keep their work, and any other plays the same link again.
  function act(key) {
    if (state === 'ended' && key !== 'f' && key !== 's') {
      replay(key === 'r');
      return;
    }
    if (key === 'f') toggleFullScreen();
    if (key === 's' && (state === 'playing' || state === 'still' || state === 'ended')) saveFrame();
    if (state !== 'playing') return;
    if (key === 'i') piece._web_toggle_hud();
    if (key === 'r') {
      piece._web_reseed(freshSeed());
      shareSeed(piece._web_seed());
    }
  }

  function onKey(event) {
    if (event.repeat || event.ctrlKey || event.metaKey || event.altKey) return;
    if (!onGesture()) act(event.key.toLowerCase());
  }

  // The controls, as a video player's: a tap (or click) on the picture
  // shows them, and they go after controlSeconds without one; at the end
  // they stay. A control does what its key does, and only where its key
  // would.
  const controls = document.getElementById('controls');
  const controlSeconds = 3;
  let controlsTimer = 0;
  function showControls() {
    // The keys that do nothing here: I and R on a still, I at the end.
    const idle = { still: 'ir', ended: 'i' }[state] || '';
    for (const button of controls.querySelectorAll('button')) button.disabled = idle.includes(button.dataset.key);
    controls.hidden = false;
    clearTimeout(controlsTimer);
    if (state !== 'ended') controlsTimer = setTimeout(() => { controls.hidden = true; }, controlSeconds * 1000);
  }

  function onPointer(event) {
    if (controls.contains(event.target)) return;
    if (onGesture()) return;
    if (state === 'ended') replay(false);
    else if (state === 'playing' || state === 'still') showControls();
  }

  function onControl(event) {
    const button = event.target.closest('button');
    if (button === null || button.disabled) return;
    button.blur();  // (so that a later Enter or space is not taken as this control again)
    act(button.dataset.key);
    if (state !== 'ended') showControls();
  }

  function freshSeed() {
    return crypto.getRandomValues(new Uint32Array(1))[0] % 10000;
  }

  function parameter(name) {
    return new URLSearchParams(window.location.search).get(name);
  }

  async function load() {
    fitCanvas();
    window.addEventListener('resize', fitCanvas);
    document.addEventListener('fullscreenchange', fitCanvas);
    document.addEventListener('keydown', onKey);
    document.addEventListener('pointerdown', onPointer);
    controls.addEventListener('click', onControl);

    if (window.location.protocol === 'file:') {
      say('This page must be opened through a web server, not as a file: run tools/web.sh --serve ' +
        'and open the address it prints.', true);
      return;
    }
    const broken = 'Reload the page; if that does not help, the site is incomplete: rebuild it with tools/web.sh.';
    if (typeof createOstrel !== 'function') {
      say(`The piece could not be loaded: its file ostrel-wasm.js is missing. ${broken}`, true);
      return;
    }
    setStatus('Loading the piece…');
    const wasm = await fetchWithProgress('ostrel-wasm.wasm', (percent) => setStatus(`Loading the piece… ${percent}%`));
    if (wasm.bytes === null) {
      setStatus('');
      say(`The piece could not be loaded: its file ostrel-wasm.wasm ${wasm.why}. ${broken}`, true);
      return;
    }
    try {
      piece = await createOstrel({ wasmBinary: wasm.bytes, onAbort: () => {}, printErr: () => {} });
    } catch (error) {
      setStatus('');
      say(`The piece could not be loaded: its file ostrel-wasm.wasm is damaged. ${broken}`, true);
      return;
    }
    // The track loads from now on; the run waits for it only when the site
    // does not say how long it is.
    const trackLoad = fetchTrack();
    const shipped = await shippedTrackLength();
    if (shipped !== null && Number.isFinite(shipped.duration)) {
      piece._web_use_track_duration(shipped.duration);
    } else {
      setStatus('Loading the music…');
      const track = await trackLoad;
      if (!measureTrack(track.bytes) && track.bytes !== null) track.why = `the track ${trackFile} holds no MP3 audio`;
    }
    const begin = piece.cwrap('web_begin_run', 'number', ['string', 'string', 'string', 'number']);
    const messages = piece.UTF8ToString(begin(parameter('seed'), parameter('start'), parameter('frame'), freshSeed()));
    for (const line of messages.split('\n')) if (line) say(line);
    if (parameter('seed') === null) shareSeed(piece._web_seed());
    const still = piece._web_still_frame();
    if (still > 0) {
      // A still has no sound and needs no track.
      await seek();
      await showStill(still);
      return;
    }
    // The track is decoded while the seek and the prompt go on, so that a
    // click plays at once; one that comes later joins the music in step.
    soundReady = trackLoad.then((loaded) => {
      const bytes = loaded.bytes !== null && loaded.bytes.byteLength > 0 ? loaded.bytes : null;
      return makeAudio(bytes, loaded.why || `the track ${trackFile} is empty`);
    });
    setStatus('Preparing…');
    await seek();
    piece._web_draw_prompt();
    showFrame();
    state = 'prompt';
    setStatus('Click, tap or press a key to play.', musicStatus());
    times.prompt = performance.now();
    document.documentElement.dataset.prompt = 'shown';
    if (playWanted) play();
  }

  window.ostrel = {
    stats: () => ({ seed: piece === null ? null : piece._web_seed(), frame: frameNumber(), shown: counts.shown,
      skipped: counts.skipped }),
    // Frames by which the picture on screen trails the music heard now
    // (negative: it runs ahead); null while no music is heard.
    lag: () => {
      const heard = heardSongTime();
      if (heard === null || lastShown === 0) return null;
      const shown = piece._web_start_seconds() + (lastShown - 1) / fps - leadInSeconds;
      return (heard - shown) * fps;
    },
    state: () => state,
    times: () => ({ ...times }),
  };

  load();
})();
