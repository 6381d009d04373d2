// Front of the sphere of orientations: the sorted sphere for a density.
#include "simulation/unsp.h"

#include "simulation/nsc.h"

namespace korim::simulation {

int do_unsp(int densit, double** dots, int* nu_dots) {
  int count = 0;
  if (make_unsp(densit, -unsp_type(densit), &count, 4) != 0) return 1;
  double* copy = unspHandOut();
  if (copy == nullptr) return 1;
  *dots = copy;
  *nu_dots = count;
  return 0;
}

}  // namespace korim::simulation
