// Whether a predicted alignment tensor is a result: the models note where they find its magnitude
// wrong, and every prediction (single structure, free coordinates, ensemble states) asks here
// before its tensor is written.
#pragma once

#include <string>

#include "settings/settings.h"

namespace korim::simulation {

// Notes that the model running now found the magnitude of its tensor wrong, and why (a text
// that reads on after "korim: "; kept, not copied). The first cause noted counts.
void noteTensorIncorrect(const char* cause);

// The verdict on the tensor a model predicted for the points x, y, z (1-based, 1..n), before it
// is scaled by the medium's order parameter (lcOrder). 0 when it is a result; 1 after a message
// on stderr when a model noted its magnitude wrong, or when the tensor is zero although lcOrder
// is not (a medium that aligns nothing, a molecule whose points lie at one place, or one stood
// for by its charges with -dipole or -chSel that carries none). An order
// parameter of 0 asks for the zero tensor: always a result. Clears the note.
int predictionVerdict(const settings::KorimInfo& k, const double model[5], int n, const double* x,
                      const double* y, const double* z);

// Notes that the model running now found its tensor zero within the precision of its sampling
// (an order no larger than the one its sphere gives a molecule that nothing aligns): the
// verdict refuses it as it refuses a zero tensor.
void noteTensorZero();

// True when the model running now has noted its tensor's magnitude wrong (the note stays for
// the verdict).
bool tensorNotedIncorrect();

// Takes the notes the model that ran last left (its magnitude wrong, or its tensor zero within its
// sampling) without a verdict; true when it left one, *cause (when not null) then set to the cause
// of a magnitude noted wrong, else to "". For a model run only to be compared.
bool tensorNotesTaken(std::string* cause = nullptr);

// True when every element of the model's tensor s (Szz, Sxx-Syy, Sxy, Sxz, Syz) is zero within
// the rounding of its sums: the tensor the verdict refuses as zero.
bool tensorIsZero(const double s[5]);

// True after a verdict refused a tensor in this run (the caller names the options that set the
// scale of the prediction).
bool predictionRefused();

// Forgets notes and verdicts; for tests.
void predictionVerdictReset();

}  // namespace korim::simulation
