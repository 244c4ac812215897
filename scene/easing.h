// Easing curves on the unit interval for the tree scene's motion.
#pragma once

// Dips to -0.115 before 0.18 (anticipation), then rises with a decaying
// ripple to exactly 1 at 1. Below 0 it returns negative zero.
float ease_anticipate_elastic_unit(float x);

// Pops in at about 1.63 just above 0 and settles on 1 with a damped
// oscillation; exactly 0 at or below 0 and exactly 1 from 1 on.
float ease_slow_elastic_unit(float x);
