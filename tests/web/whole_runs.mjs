// Every frame of a committed run, stepped and drawn by the WebAssembly
// build under node exactly as the page steps it, against the committed
// CRCs of its palette indexes and its RGB bytes.
import assert from 'node:assert/strict';

import { committedCrcs, loadPiece, runs } from './support.mjs';

export async function checkWholeRun(seedName) {
  const run = runs[seedName];
  const expected = committedCrcs(seedName);
  const piece = await loadPiece();
  const messages = piece.UTF8ToString(piece.beginRun(run.seed, run.start, null, 0));
  assert.equal(messages, '');
  assert.equal(piece._web_run_frames(), expected.length, 'the run ends on its committed last frame');
  while (piece._web_step_seek(100000) !== 1) { /* the whole seek in one go */ }

  const differing = [];
  while (piece._web_step_frame(1) === 1) {
    const frame = piece._web_frame_number();
    const want = expected[frame - 1];
    const rgb = piece._web_frame_crc(1) >>> 0;
    const indexed = piece._web_frame_crc(0) >>> 0;
    if (rgb !== want.rgb || indexed !== want.indexed) differing.push(frame);
  }
  assert.equal(piece._web_frame_number(), expected.length);
  assert.deepEqual(differing.slice(0, 10), [], `${differing.length} frames of seed ${seedName} differ`);
}
