import { test } from 'node:test';

import { checkWholeRun } from './support.mjs';

test('every frame of seed 7 started at 37.123 s equals the committed one', () => checkWholeRun('7', '37.123'));
