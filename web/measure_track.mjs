// Measures the site's track with the WebAssembly build, as the page would,
// and writes what the page needs to prepare a run before the track has
// arrived: ostrel-track.json, { "file", "bytes", "duration" }.
//   node web/measure_track.mjs SITE_FOLDER
import fs from 'node:fs';
import path from 'node:path';
import { createRequire } from 'node:module';

const site = process.argv[2];
const file = 'beat3-140bpm.mp3';
const createOstrel = createRequire(import.meta.url)(path.resolve(site, 'ostrel-wasm.js'));
const piece = await createOstrel({ wasmBinary: fs.readFileSync(path.join(site, 'ostrel-wasm.wasm')) });
const track = fs.readFileSync(path.join(site, file));
const pointer = piece._malloc(track.length);
piece.HEAPU8.set(track, pointer);
if (piece._web_measure_track(pointer, track.length) !== 1) {
  console.error(`${file} holds no MP3 audio`);
  process.exit(1);
}
const measured = { file, bytes: track.length, duration: piece._web_track_duration() };
fs.writeFileSync(path.join(site, 'ostrel-track.json'), `${JSON.stringify(measured)}\n`);
