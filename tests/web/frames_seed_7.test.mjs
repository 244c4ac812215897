import { test } from 'node:test';

import { checkWholeRun } from './whole_runs.mjs';

test('every frame of seed 7 started at 37.123 s equals the committed one', () => checkWholeRun('7'));
