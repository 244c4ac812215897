// Node motion: the swirl from graph time 20, the survivor dance and the
// reversal of the dead nodes' swirl.
#pragma once

// graph_time: the graph clock, half of song time.
void update_nodes(float dt, double graph_time);

// Angle the survivor has turned u song seconds into its dance at starting
// speed omega: it slows to a stop over 1.15 periods, swings back over one
// more and then circles backwards at -omega.
float dance_angle_offset(float u, float omega);
