#include "graph/simulation.h"

#include "graph/blue_cull.h"
#include "graph/connections.h"
#include "graph/graph_state.h"
#include "graph/lifecycle.h"
#include "graph/motion.h"
#include "graph/red_particles.h"
#include "timeline/timeline.h"

void run_simulation_step(double t, float dt) {
    double graph_time = t * 0.5;
    float pulse = beat_pulse(graph_time);
    // The node count must be rewritten from t before anything else reads it.
    update_startup_amount(t);
    update_lifecycle(t);
    if (t >= blue_phase_start && !blue_transition_baked) bake_blue_transition(t);
    if (t >= blue_cull_start) update_blue_cull(dt, t);
    update_nodes(dt * 0.5f, graph_time);
    update_red_particles(dt * 0.5f, t);
    update_connections(dt * 0.5f, pulse, graph_time);
    update_ghosts(dt * 0.5f);
}
