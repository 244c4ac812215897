import { test } from 'node:test';

import { checkWholeRun } from './support.mjs';

test('every frame of seed 2718 from the start equals the committed one', () => checkWholeRun('2718', null));
