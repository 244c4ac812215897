// The blue transition at bar 32, the cull down to one survivor and the
// revival wave that runs from the survivor through the dead nodes.
#pragma once

// Song seconds of cull time one kill costs (20 kills per second).
const float blue_cull_kill_cost = 0.05f;
// The first this many dead nodes hang directly off the survivor; each later
// one continues the branch of the dead node this many places before it.
const int revival_branch_count = 80;
// Seconds between the starts of two consecutive revival fronts.
const double revival_stagger = 0.12;
// Speed of a revival front, pixels per song second.
const double revival_speed = 360.0;

// Freezes the sway of bar 32 into the rest positions and drops the nodes
// whose capture had not begun by t. Acts once per reset.
void bake_blue_transition(double t);
// Chooses the survivor if needed and kills the other live nodes from the top
// index down, one per 0.05 s of accumulated song time (dt is the full step).
void update_blue_cull(float dt, double t);
// True once the revival wave has reached every dead node (and there is one).
bool revival_all_blue(double t);

// Song time at which the revival wave leaves the survivor: four bars of
// solitude, the slowdown and swing-back of the dance, four more bars; bar 96
// when there is no dance speed.
double revival_start_time();
// Writes the dead nodes other than the survivor among 0 .. n-1, in index
// order, into dead (capacity node_capacity); returns how many. The position
// in this list is the node's revival number k.
int list_revival_nodes(int* dead);
// The node the k-th dead node's revival path starts from.
int revival_parent(const int* dead, int k);
// Seconds the k-th revival front has been running at t (negative before it
// starts); the front has covered this times revival_speed pixels.
double revival_elapsed(double t, double r0, int k);
