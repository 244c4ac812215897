#include "render/screen.h"
#include "capture/capture_drawing.h"

#include "capture/capture_timing.h"
#include "graph/graph_state.h"
#include "render/primitives.h"
#include "timeline/timeline.h"

#include <algorithm>
#include <cmath>

namespace {

const float centre_x = screen_centre_x;
const float centre_y = screen_centre_y;
const float travel_speed = (float)capture_travel_speed;
const float head_trim = 8.0f;        // a path stops this short of its head
const double shrink_seconds = 0.25;  // a dead node's square shrinks away

struct Point {
    float x, y;
};

Point rest_point(int i) {
    if (i < 0) return Point{centre_x, centre_y};
    return Point{nodes[i].x, nodes[i].y};
}

Point swayed_point(int i, double now) {
    if (i < 0) return Point{centre_x, centre_y};
    Point p;
    floating_position(i, now, &p.x, &p.y);
    return p;
}

// Node 0's path from the centre leaves horizontally; the others follow the
// elbow rule.
bool leaves_horizontally(int from, int to) {
    return from < 0 || elbow_leaves_horizontally(from, to);
}

Point elbow_corner(Point s, Point e, bool horizontal_first) {
    if (horizontal_first) return Point{e.x, s.y};
    return Point{s.x, e.y};
}

// The point m pixels along the straight leg from a towards b of length leg.
Point along_leg(Point a, Point b, float m, float leg) {
    return Point{(b.x - a.x) * m / leg + a.x, (b.y - a.y) * m / leg + a.y};
}

void make_black_current() {
    set_colour(black_colour);
}

// A dead node's path shrinks back towards its parent: first its square
// shrinks for 0.25 s, then the path retracts at the travel speed.
void draw_retracting_path(double now, int i) {
    double since = now - node_death_time[i];
    int from = i == 0 ? -1 : parent_of(i);
    Point s = swayed_point(from, now);
    Point e = rest_point(i);
    Point k = elbow_corner(s, e, leaves_horizontally(from, i));
    float leg1 = std::fabs(k.x - s.x) + std::fabs(k.y - s.y);
    float leg2 = std::fabs(e.x - k.x) + std::fabs(e.y - k.y);

    float remaining;
    if (since < shrink_seconds) {
        float scale = (1.0f - (float)(since * 4.0)) * 7.0f;
        if (beat_flash(now)) {
            make_black_current();
        } else {
            set_capture_color(from, i);
        }
        float side = scale * 1.5f;
        rect(e.x - side * 0.5f, e.y - side * 0.5f, side, side);
        set_capture_color(from, i);
        remaining = leg1 + leg2;
    } else {
        remaining = (leg1 + leg2) - (float)(since - shrink_seconds) * travel_speed;
    }
    if (!(remaining > 0.0f)) return;

    set_capture_color(from, i);
    begin_lines();
    if (leg1 > 0.0f) {
        Point end = along_leg(s, k, std::min(remaining, leg1), leg1);
        capture_line(s.x, s.y, end.x, end.y, 0.0f);
    }
    if (remaining > leg1 && leg2 > 0.0f) {
        Point end = along_leg(k, e, std::min(leg2, remaining - leg1), leg2);
        capture_line(k.x, k.y, end.x, end.y, head_trim);
    }
    end_lines();
}

void draw_node_square(double now, int i, double start, double received, float square_size) {
    if (!node_alive[i]) {
        if (ghost_remaining[i] > 0.0f) {
            opaque_hollow_rect(nodes[i].x, nodes[i].y, ghost_remaining[i] * ghost_size[i], ghost_grey,
                               ghost_grey, ghost_grey);
        }
        return;
    }
    if (!(start <= now)) return;
    Point p = swayed_point(i, now);
    Colour c = highlight_colour(node_highlight[i]);
    opaque_hollow_rect(p.x, p.y, square_size, c.r, c.g, c.b);
    if (received <= now) {
        if (beat_flash(now)) make_black_current();
        draw_head_square(p.x, p.y);
    }
}

}  // namespace

Colour highlight_colour(int value) {
    if (value == 1) return red_colour;
    if (value == 2) return green_colour;
    return white_colour;
}

void draw_head_square(float px, float py) {
    rect(px - 5.25f, py - 5.25f, 10.5f, 10.5f);
}

void set_capture_color(int from, int to) {
    int value = from >= 0 ? connection_highlight[pair_index(from, to)] : 0;
    set_colour(highlight_colour(value));
}

// The capture of node to, which started at song time start.
static void draw_capture_from(double now, int from, int to, double start) {
    double elapsed = now - start;
    Point s = swayed_point(from, now);
    bool flash = beat_flash(now);

    if (elapsed < capture_source_wait) {
        if (flash) make_black_current();
        draw_head_square(s.x, s.y);
        set_capture_color(from, to);
        return;
    }

    // Leg lengths come from rest positions so the head keeps the timing of
    // the capture schedule; the drawn points follow the swaying nodes.
    Point e = swayed_point(to, now);
    Point rest_from = rest_point(from);
    Point rest_to = rest_point(to);
    float span_x = std::fabs(rest_to.x - rest_from.x);
    float span_y = std::fabs(rest_to.y - rest_from.y);
    bool horizontal_first = leaves_horizontally(from, to);
    Point k = elbow_corner(s, e, horizontal_first);
    float leg1 = horizontal_first ? span_x : span_y;
    float leg2 = horizontal_first ? span_y : span_x;

    float dist = (float)(elapsed - capture_source_wait) * travel_speed;
    Point p = k;
    if (leg1 > 0.0f) p = along_leg(s, k, std::min(leg1, dist), leg1);
    if (dist > leg1 && leg2 > 0.0f) p = along_leg(k, e, std::min(leg2, dist - leg1), leg2);

    if (flash) make_black_current();
    draw_head_square(p.x, p.y);

    set_capture_color(from, to);
    begin_lines();
    if (leg1 + leg2 <= dist) {
        capture_line(s.x, s.y, k.x, k.y, 0.0f);
        capture_line(k.x, k.y, e.x, e.y, head_trim);
    } else if (leg1 < dist) {
        capture_line(s.x, s.y, k.x, k.y, 0.0f);
        capture_line(k.x, k.y, p.x, p.y, head_trim);
    } else {
        capture_line(s.x, s.y, p.x, p.y, head_trim);
    }
    end_lines();
}

void draw_capture_layer(double t) {
    const int n = active_node_count();
    const float square_size = controls[control_sq].value;

    // The capture times depend only on the graph, which does not change
    // while a frame is drawn: work them all out once, parents first.
    static CaptureTimes times;
    compute_capture_times(times, n);

    for (int i = 1; i < n; ++i) {
        int p = parent_of(i);
        set_capture_color(p, i);
        if (node_alive[i] && node_alive[p] && times.start[i] <= t) draw_capture_from(t, p, i, times.start[i]);
    }
    if (n > 0 && node_alive[0]) {
        set_colour(white_colour);
        draw_capture_from(t, -1, 0, times.start[0]);
    }
    for (int i = 0; i < n; ++i) {
        if (node_alive[i] || node_death_time[i] < 0.0 || t - node_death_time[i] < 0.0) continue;
        draw_retracting_path(t, i);
    }
    for (int i = 0; i < n; ++i) draw_node_square(t, i, times.start[i], times.received[i], square_size);
}
