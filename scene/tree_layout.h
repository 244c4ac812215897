// The tree of boxes of the scene from bar 96: where each box sits, how large
// it is, which box it grew out of and when it is born. The layout depends
// only on (kind, phase hash, cap), never on time.
#pragma once

#include <cstdint>

const int tree_capacity = 1000;

struct TreeNode {
    float x, y;                // layout position of the box centre
    float parent_x, parent_y;  // the parent's layout position (roots: own)
    float attach_x, attach_y;  // attachment point on the parent's edge
    float size;                // box size in pixels
    float birth;               // birth time in tree-clock units (half-beats)
    int32_t parent;            // -1 for a root
    int32_t depth;             // 0 for a root
    int32_t dir;               // side of the parent: 0 right, 1 down, 2 left, 3 up; -1 root
    uint64_t hash;
};

enum LayoutKind { centre_tree_layout, corner_tree_layout, bracket_layout };

// The bracket's six levels: first index and number of nodes of each.
const int bracket_levels = 6;
const int bracket_level_first[bracket_levels] = {0, 64, 80, 88, 92, 94};
const int bracket_level_size[bracket_levels] = {64, 16, 8, 4, 2, 1};
const int bracket_node_count = 95;

// Keeps a box of this size inside the screen with a margin of size * 0.75 + 44.
float clamp_layout_x(float x, float size);
float clamp_layout_y(float y, float size);

// Append a root / a node under parent (dir 3, attached at its own position);
// both return the new count and append nothing when the array is full.
int add_fractal_root(TreeNode* nodes, int count, float x, float y, float size, float birth,
                     uint64_t hash);
int add_scene2_node(TreeNode* nodes, int count, int parent, float x, float y, float size,
                    float birth, uint64_t hash);

// Grows children for the nodes already present, in index order, by a seeded
// search for free spots, until cap nodes exist or no parent is left.
int grow_tree_layout(TreeNode* nodes, int count, uint64_t phase_hash, int cap);

// Builds the layout from scratch into nodes (capacity tree_capacity) and
// returns the node count. The bracket ignores cap.
int build_tree_layout(LayoutKind kind, uint64_t phase_hash, int cap, TreeNode* nodes);

// The same layout, kept between calls for the last two keys used; the result
// is identical to build_tree_layout. The returned records stay valid at least
// until the next call that has to build a layout.
const TreeNode* cached_tree_layout(LayoutKind kind, uint64_t phase_hash, int cap, int* count);
