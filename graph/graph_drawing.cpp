#include "graph/graph_drawing.h"

#include "capture/capture_drawing.h"
#include "graph/blue_cull.h"
#include "graph/connections.h"
#include "graph/graph_state.h"
#include "render/primitives.h"
#include "render/screen.h"
#include "timeline/timeline.h"

#include <algorithm>
#include <cmath>

namespace {

const float centre_x = screen_centre_x;
const float centre_y = screen_centre_y;
const float ring_max_radius = 1450.0f;   // the ring is gone past this
const int ring_vertex_count = 160;
const double revival_linger = 0.65;      // a revival path stays after arrival
const double pi = 3.14159265358979323846;

// Scratch of one frame, filled before use (nothing from the heap per frame).
int frame_parent[node_capacity];
int frame_dead[node_capacity];

void make_blue_current() {
    set_colour(blue_colour);
}

void draw_red_particles() {
    set_colour(red_colour);
    for (const RedParticle& p : red_particles) {
        if (!p.active) continue;
        float s = (1.0f - p.age / p.life) * p.size * 1.5f;
        rect(p.x - s * 0.5f, p.y - s * 0.5f, s, s);
    }
}

void draw_ghost_outlines(int n) {
    for (int g = 0; g < n; ++g) {
        if (!(ghost_remaining[g] > 0.0f)) continue;
        set_colour(Colour{ghost_grey, ghost_grey, ghost_grey});
        hollow_rect(nodes[g].x, nodes[g].y, ghost_remaining[g] * ghost_size[g]);
    }
}

// The two legs of the elbow a < b as four snapped vertices: node a to the
// corner, node b to the corner. The corner is reached from each end as
// (corner - end) + end, as the legs were always measured from their ends.
void emit_connection_elbow(int a, int b) {
    const Node& na = nodes[a];
    const Node& nb = nodes[b];
    bool horizontal_first = elbow_leaves_horizontally(a, b);
    float kx = horizontal_first ? nb.x : na.x;
    float ky = horizontal_first ? na.y : nb.y;
    line_vertex(snap(na.x), snap(na.y));
    line_vertex(snap((kx - na.x) + na.x), snap((ky - na.y) + na.y));
    line_vertex(snap(nb.x), snap(nb.y));
    line_vertex(snap((kx - nb.x) + nb.x), snap((ky - nb.y) + nb.y));
}

// Only the tree of parent connections between live nodes is shown; the
// blue wave thins it to the nodes whose index ends in 7, 8 or 9. The pairs
// are walked in row order, which decides what covers what; the colour of a
// pair that is not drawn would never be seen, so it is not set.
void draw_blue_phase_connections(double t, int n) {
    for (int b = 1; b < n; ++b) frame_parent[b] = parent_of(b);
    begin_lines();
    for (int a = 0; a < n - 1; ++a) {
        for (int b = a + 1; b < n; ++b) {
            if (frame_parent[b] != a || !node_alive[a] || !node_alive[b]) continue;
            bool blue = connection_is_blue(t, a, b);
            if (blue && b % 10 < 7) continue;
            if (blue) {
                make_blue_current();
            } else {
                set_colour(highlight_colour(connection_highlight[pair_index(a, b)]));
            }
            emit_connection_elbow(a, b);
        }
    }
    end_lines();
}

void draw_blue_phase_nodes(double t, int n) {
    const float radius = blue_wave_radius(t);
    const float square_size = controls[control_sq].value;
    const bool flash = beat_flash(t);
    for (int i = 0; i < n; ++i) {
        if (!node_alive[i]) continue;
        float x = nodes[i].x;
        float y = nodes[i].y;
        float dx = x - centre_x;
        float dy = y - centre_y;
        Colour c = radius * radius >= dx * dx + dy * dy ? blue_colour
                                                          : highlight_colour(node_highlight[i]);
        opaque_hollow_rect(x, y, square_size, c.r, c.g, c.b);
        if (flash) set_colour(black_colour);
        draw_head_square(x, y);
    }
}

// One revival path from p to the dead node i, grown to `front` pixels:
// first the leg to the corner, then the leg to the node.
void draw_revival_path(const Node& p, const Node& i, float kx, float ky, float leg1, float leg2, float front) {
    begin_lines();
    if (leg1 > 0.0f) {
        float m = std::min(leg1, front);
        capture_line(p.x, p.y, (kx - p.x) * m / leg1 + p.x, (ky - p.y) * m / leg1 + p.y, 0.0f);
    }
    if (front > leg1 && leg2 > 0.0f) {
        float m = std::min(leg2, front - leg1);
        capture_line(kx, ky, (i.x - kx) * m / leg2 + kx, (i.y - ky) * m / leg2 + ky, 0.0f);
    }
    end_lines();
}

// The blue wave that runs from the survivor through the dead nodes once its
// dance is over. Every dead node keeps its number k whether drawn or not.
void draw_revival(double t) {
    if (!survivor_dance_initialized || blue_survivor < 0 || !(survivor_dance_omega > 0.0f)) return;
    const double r0 = revival_start_time();
    if (t < r0) return;
    const float square_size = controls[control_sq].value;
    const bool flash = beat_flash(t);
    const int dead_count = list_revival_nodes(frame_dead);
    for (int k = 0; k < dead_count; ++k) {
        double e = revival_elapsed(t, r0, k);
        if (e < 0.0) continue;
        const int i = frame_dead[k];
        const Node& node = nodes[i];
        const Node& parent = nodes[revival_parent(frame_dead, k)];
        // The bend depends on the parity of the dead node alone.
        bool even = i % 2 == 0;
        float kx = even ? node.x : parent.x;
        float ky = even ? parent.y : node.y;
        float leg1 = std::fabs(kx - parent.x) + std::fabs(ky - parent.y);
        float leg2 = std::fabs(node.x - kx) + std::fabs(node.y - ky);
        float total = leg1 + leg2;
        float front = (float)e * (float)revival_speed;

        make_blue_current();
        if (e < (double)total / revival_speed + revival_linger) {
            draw_revival_path(parent, node, kx, ky, leg1, leg2, front);
        }
        if (front >= total) {
            make_blue_current();
            hollow_rect(node.x, node.y, square_size);
            if (flash) set_colour(black_colour);
            draw_head_square(node.x, node.y);
        }
    }
}

void draw_blue_ring(float radius) {
    make_blue_current();
    begin_line_loop();
    for (int k = 0; k < ring_vertex_count; ++k) {
        double theta = ((double)k / ring_vertex_count) * pi * 2.0;
        float c = (float)std::cos(theta);
        float s = (float)std::sin(theta);
        line_vertex(snap(c * radius + centre_x), snap(s * radius + centre_y));
    }
    end_lines();
}

// The last layer: the ring and the centre square from bar 32 on; before it
// the intro sweep during the very first beat, then the centre square.
void draw_ring_and_centre(double t, int n) {
    if (t >= blue_phase_start) {
        float radius = blue_wave_radius(t);
        if (radius <= ring_max_radius) draw_blue_ring(radius);
        draw_centre_square(t);
        return;
    }
    set_colour(white_colour);
    float f = std::min((float)(t / beat_seconds), 1.0f);
    if (n <= 0 && f < 1.0f) {
        // A white line across the centre, shrinking to nothing in one beat.
        float rest = 1.0f - f;
        float w = screen_width_f * (rest * rest * rest);
        rect(centre_x - w * 0.5f, 538.0f, w, 4.0f);
    } else if (f >= 1.0f) {
        draw_centre_square(t);
    }
}

}  // namespace

void draw_centre_square(double t) {
    if (beat_flash(t)) {
        set_colour(black_colour);
    } else {
        set_colour(white_colour);
    }
    rect(951.75f, 531.75f, 16.5f, 16.5f);
}

void draw_graph_scene(double t) {
    const int n = active_node_count();
    draw_red_particles();
    if (n > 0) draw_ghost_outlines(n);
    if (n > 0) {
        if (t < blue_phase_start) {
            draw_capture_layer(t);
        } else {
            draw_blue_phase_connections(t, n);
            draw_blue_phase_nodes(t, n);
        }
    }
    draw_revival(t);
    draw_ring_and_centre(t, n);
}
