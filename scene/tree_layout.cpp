#include "scene/tree_layout.h"

#include "render/screen.h"
#include "scene/scene_hash.h"

#include <algorithm>
#include <cmath>

static float layout_margin(float size) {
    return size * 0.75f + 44.0f;
}

float clamp_layout_x(float x, float size) {
    float m = layout_margin(size);
    return x < m ? m : std::min(screen_width_f - m, x);
}

float clamp_layout_y(float y, float size) {
    float m = layout_margin(size);
    return y < m ? m : std::min(screen_height_f - m, y);
}

int add_fractal_root(TreeNode* nodes, int count, float x, float y, float size, float birth,
                     uint64_t hash) {
    if (count >= tree_capacity) return count;
    float s = std::max(4.0f, size);
    TreeNode& n = nodes[count];
    n.x = clamp_layout_x(x, s);
    n.y = clamp_layout_y(y, s);
    n.parent_x = n.x;
    n.parent_y = n.y;
    n.attach_x = n.x;
    n.attach_y = n.y;
    n.size = s;
    n.birth = birth;
    n.parent = -1;
    n.depth = 0;
    n.dir = -1;
    n.hash = hash;
    return count + 1;
}

int add_scene2_node(TreeNode* nodes, int count, int parent, float x, float y, float size,
                    float birth, uint64_t hash) {
    if (count >= tree_capacity) return count;
    float s = std::max(4.0f, size);
    TreeNode& n = nodes[count];
    n.x = clamp_layout_x(x, s);
    n.y = clamp_layout_y(y, s);
    n.parent_x = nodes[parent].x;
    n.parent_y = nodes[parent].y;
    n.attach_x = n.x;
    n.attach_y = n.y;
    n.size = s;
    n.birth = birth;
    n.parent = parent;
    n.depth = nodes[parent].depth + 1;
    n.dir = 3;
    n.hash = hash;
    return count + 1;
}

// One placement candidate of the search.
struct Candidate {
    float x, y;
    int dir;
};

// Appends the accepted child of parent i; size and hash are those of the
// current attempt, position and direction those of the chosen candidate.
static int append_grown_child(TreeNode* nodes, int count, int i, int j, Candidate c, float cs,
                              uint64_t h) {
    const TreeNode& p = nodes[i];
    TreeNode& n = nodes[count];
    float half = p.size / 2.0f;
    n.x = c.x;
    n.y = c.y;
    n.parent_x = p.x;
    n.parent_y = p.y;
    switch (c.dir) {
        case 0: n.attach_x = p.x + half; n.attach_y = c.y; break;
        case 1: n.attach_x = c.x; n.attach_y = p.y + half; break;
        case 2: n.attach_x = p.x - half; n.attach_y = c.y; break;
        default: n.attach_x = c.x; n.attach_y = p.y - half; break;
    }
    n.size = cs;
    n.birth = ((float)(i & 3) * 0.02f + (float)(j + 1) * 0.08f) + (float)(2 * p.depth);
    n.parent = i;
    n.depth = p.depth + 1;
    n.dir = c.dir;
    n.hash = h;
    return count + 1;
}

// Attempt a of child j of parent, drawn from hash h: the child's direction,
// its size (*cs) and its place, kept on screen.
static Candidate propose_child(const TreeNode& parent, int base_dir, int j, int a, uint64_t h, float* cs) {
    const bool root = parent.parent < 0;
    const float ps = parent.size;
    int dir;
    if (root) dir = j & 3;
    else if (a <= 7) dir = (base_dir + j + a) & 3;
    else dir = (int)((h >> 9) & 3);
    float raw = parent.depth == 0 ? unit_value(h, 20) * 10.0f + 92.0f : (unit_value(h, 17) * 0.1f + 0.52f) * ps;
    *cs = std::max(3.0f, std::min(0.68f * ps, raw));
    float d = ((*cs * 1.25f + 0.85f * ps) + unit_value(h, 24) * 170.0f) + (float)(a % 9) * 10.0f;
    float e = ((unit_value(h, 11) - 0.5f) * ps) * 0.92f;
    float cx, cy;
    switch (dir) {
        case 0: cx = parent.x + d; cy = parent.y + e; break;
        case 1: cx = parent.x + e; cy = parent.y + d; break;
        case 2: cx = parent.x - d; cy = parent.y + e; break;
        default: cx = parent.x + e; cy = parent.y - d; break;
    }
    return Candidate{clamp_layout_x(cx, *cs), clamp_layout_y(cy, *cs), dir};
}

// True when a box of size cs at c would overlap one of the first count
// nodes; otherwise *dmin is the squared distance to the nearest of them.
static bool candidate_collides(const TreeNode* nodes, int count, Candidate c, float cs, float* dmin) {
    *dmin = 100000000.0f;
    for (int k = 0; k < count; ++k) {
        float dx = c.x - nodes[k].x;
        float dy = c.y - nodes[k].y;
        float dist2 = dx * dx + dy * dy;
        float reach = (nodes[k].size + cs) * 0.54f + 7.0f;
        if (dist2 < reach * reach) return true;
        if (dist2 < *dmin) *dmin = dist2;
    }
    return false;
}

// Higher for places far from the centre and from other nodes.
static float candidate_score(Candidate c, float dmin) {
    float nx = std::fabs(c.x - screen_centre_x) / screen_centre_x;
    float ny = std::fabs(c.y - screen_centre_y) / screen_centre_y;
    return ((nx + ny) * 18000.0f * 1.7f + dmin) + nx * ny * 52000.0f * 1.7f;
}

int grow_tree_layout(TreeNode* nodes, int count, uint64_t phase_hash, int cap) {
    for (int i = 0; count < cap && i < count; ++i) {
        const TreeNode parent = nodes[i];
        if (parent.size < 6.0f || parent.depth > 16) continue;
        const bool root = parent.parent < 0;
        const uint64_t hp = mix_hash(phase_hash ^ (0x5f356495ull * (uint64_t)(i + 1)) ^ parent.hash);
        uint64_t h = hp;
        int n = root ? 8 : (int)((hp >> 5) % 3) + 3;
        if (parent.depth > 10) n = (int)((hp >> 7) % 3) + 1;
        const int base_dir = parent.dir >= 0 ? parent.dir : 0;

        // A child is placed at its first free attempt after the fifth, in
        // the best scored free place seen so far; a root's child at its
        // first free attempt; any child at attempt 36 even if it collides.
        for (int j = 0; j < n && count < cap; ++j) {
            Candidate best = {0.0f, 0.0f, 0};
            float best_score = -1.0f;
            for (int a = 0;; ++a) {
                h = mix_hash(h + 0x41c64e6dull * (uint64_t)(j + 1) + 0x1daa66d13ull + (uint64_t)a * 0x9e3779b1ull);
                float cs = 0.0f;
                Candidate c = propose_child(parent, base_dir, j, a, h, &cs);
                float dmin = 0.0f;
                if (candidate_collides(nodes, count, c, cs, &dmin)) {
                    if (a == 35) {
                        count = append_grown_child(nodes, count, i, j, c, cs, h);
                        break;
                    }
                    continue;
                }
                float score = candidate_score(c, dmin);
                if (score <= best_score) {
                    c = best;
                    score = best_score;
                }
                if (a > 4 || root) {
                    count = append_grown_child(nodes, count, i, j, c, cs, h);
                    break;
                }
                best = c;
                best_score = score;
            }
        }
    }
    return count;
}

// The fixed six-level bracket; each upper node's parent is the first node
// of its group of lower nodes.
static int build_bracket(TreeNode* nodes, uint64_t ph) {
    int count = 0;
    for (int u = 0; u < 64 && count <= 999; ++u)
        count = add_fractal_root(nodes, count, 78.0f + 28.0f * (float)u, 992.0f, 11.0f,
                                 0.08f * (float)u, mix_hash(ph + (uint64_t)u * 0x41c64e6dull));
    for (int v = 0; v < 16 && count <= 999; ++v)
        count = add_scene2_node(nodes, count, 4 * v, 150.0f + 108.0f * (float)v, 800.0f, 30.0f,
                                6.0f + 0.08f * (float)(v + 1), mix_hash(ph + 37ull * (uint64_t)v));
    for (int w = 0; w < 8 && count <= 999; ++w)
        count = add_scene2_node(nodes, count, 64 + 2 * w, 225.0f + 210.0f * (float)w, 640.0f, 48.0f,
                                8.0f + 0.08f * (float)(w + 1), mix_hash(ph + 900 + 41ull * (uint64_t)w));
    for (int w = 0; w < 4 && count <= 999; ++w)
        count = add_scene2_node(nodes, count, 80 + 2 * w, 330.0f + 420.0f * (float)w, 475.0f, 70.0f,
                                10.0f + 0.08f * (float)(w + 1), mix_hash(ph + 1300 + 43ull * (uint64_t)w));
    for (int w = 0; w < 2 && count <= 999; ++w)
        count = add_scene2_node(nodes, count, 88 + 2 * w, 560.0f + 800.0f * (float)w, 310.0f, 105.0f,
                                12.0f + 0.08f * (float)(w + 1), mix_hash(ph + 1600 + 47ull * (uint64_t)w));
    if (count < tree_capacity)
        count = add_scene2_node(nodes, count, 92, 960.0f, 182.75f, 185.0f, 14.08f, mix_hash(ph + 1900));
    return count;
}

int build_tree_layout(LayoutKind kind, uint64_t phase_hash, int cap, TreeNode* nodes) {
    if (cap > tree_capacity) cap = tree_capacity;
    switch (kind) {
        case centre_tree_layout: {
            int count = add_fractal_root(nodes, 0, 960.0f, 540.0f, 170.0f, 0.0f, phase_hash);
            return grow_tree_layout(nodes, count, phase_hash, cap);
        }
        case corner_tree_layout: {
            int count = add_fractal_root(nodes, 0, 1748.5f, 908.5f, 170.0f, 0.0f, mix_hash(phase_hash + 17));
            return grow_tree_layout(nodes, count, phase_hash, cap);
        }
        case bracket_layout:
        default:
            return build_bracket(nodes, phase_hash);
    }
}

// Two slots: the closing bars alternate between two caps of one tree.
struct LayoutSlot {
    bool filled;
    LayoutKind kind;
    uint64_t phase_hash;
    int cap;
    int count;
    TreeNode nodes[tree_capacity];
};

static LayoutSlot layout_slots[2];
static int recent_layout_slot = 0;

const TreeNode* cached_tree_layout(LayoutKind kind, uint64_t phase_hash, int cap, int* count) {
    for (int s = 0; s < 2; ++s) {
        LayoutSlot& slot = layout_slots[s];
        if (slot.filled && slot.kind == kind && slot.phase_hash == phase_hash && slot.cap == cap) {
            recent_layout_slot = s;
            *count = slot.count;
            return slot.nodes;
        }
    }
    int s = 1 - recent_layout_slot;
    LayoutSlot& slot = layout_slots[s];
    slot.count = build_tree_layout(kind, phase_hash, cap, slot.nodes);
    slot.kind = kind;
    slot.phase_hash = phase_hash;
    slot.cap = cap;
    slot.filled = true;
    recent_layout_slot = s;
    *count = slot.count;
    return slot.nodes;
}
