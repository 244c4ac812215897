// The page reads seed and start exactly as the 64-bit program reads
// --seed and --start: the same number and the same reason, for values a
// 32-bit reading would get wrong and for the other misreadings. The page's
// side is the WebAssembly build under node; the program's, build/ostrel's
// --run-info and its warning.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import path from 'node:path';
import { test } from 'node:test';

import { loadPiece, repo } from './support.mjs';

const program = path.join(repo, 'build/ostrel');

// The program's reading: the value it takes (its --run-info) and the
// reason its warning gives ('' without one).
function programReading(option, value) {
  const run = spawnSync(program, ['--run-info', `${option}=${value}`], { encoding: 'utf8' });
  assert.equal(run.status, 0, `${option}=${value}: ${run.stderr}`);
  const name = option === '--seed' ? 'seed' : 'audio_start';
  const line = run.stdout.split('\n').find((l) => l.startsWith(`${name} `));
  const warning = run.stderr.trim();
  return {
    value: Number(line.slice(name.length + 1)),
    reason: warning === '' ? '' : warning.replace(/^.*? as [^:]*: /, '').replace(/\.$/, ''),
  };
}

test('seed and start are read as the program reads them, with the same reasons', async () => {
  const piece = await loadPiece();
  const seeds = ['-1', '4294967296', '4294967295', '5000000000', '99999999999999999999', '18446744073709551616',
    '18446744073709551615', '12345', '7x', 'abc', '-3', ' 42', '0042'];
  for (const value of seeds) {
    const messages = piece.UTF8ToString(piece.beginRun(value, null, null, 0));
    const { value: want, reason } = programReading('--seed', value);
    assert.equal(piece._web_seed(), want, `seed=${value}`);
    const expected = reason === '' ? '' : `seed=${value}: ${reason}; playing seed ${String(want).padStart(4, '0')}.\n`;
    assert.equal(messages, expected, `seed=${value}`);
  }
  for (const value of ['-5', 'abc', '2:30', '0x10', 'nan', '37.123', '1e2']) {
    const messages = piece.UTF8ToString(piece.beginRun('1', value, null, 0));
    const { value: want, reason } = programReading('--start', value);
    assert.equal(piece._web_start_seconds().toFixed(6), want.toFixed(6), `start=${value}`);
    const expected = reason === '' ? '' : `start=${value}: ${reason}; starting at ${want} s.\n`;
    assert.equal(messages, expected, `start=${value}`);
  }
});

test('a start at or past the end runs no seek: its frames are the closing blackout', async () => {
  const piece = await loadPiece();
  piece.beginRun('7', '300', null, 0);
  assert.equal(piece._web_step_seek(1), 1, 'done at once');
  piece.beginRun('7', '100', null, 0);
  assert.equal(piece._web_step_seek(1), 0, 'a start inside the piece seeks');
});
