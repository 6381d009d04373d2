// Front of the sphere of orientations: the sorted sphere for a density.
#pragma once

namespace korim::simulation {

// Builds the sphere for the density (distribution unsp_type(densit), sorted
// into 4x4x4 cubes) and hands out its dots (x, y, z per dot) and count.
// The handed-out block is a copy that no later sphere build (another
// do_unsp, the surface calculation) changes or releases; it lives until the
// end of the process and the caller never releases it. Returns 0, or 1 with
// both outputs untouched when the sphere cannot be built.
int do_unsp(int densit, double** dots, int* nu_dots);

}  // namespace korim::simulation
