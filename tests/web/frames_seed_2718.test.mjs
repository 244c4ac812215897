import { test } from 'node:test';

import { checkWholeRun } from './whole_runs.mjs';

test('every frame of seed 2718 from the start equals the committed one', () => checkWholeRun('2718'));
