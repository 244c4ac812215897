// Births and deaths during the first 32 bars, and the wearing away of ghosts.
#pragma once

void update_lifecycle(double t);
void update_ghosts(float dt);

