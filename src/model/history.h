// The undo history: up to 201 records of palette, pixels and packed mask.
#pragma once

#include <string>

#include "model/shared_state.h"

namespace pf {

// Stores a record when the pixels differ from the snapshot of the last record. A palette or mask change
// alone stores nothing; it travels with the next pixel change. Returns whether a record was stored.
bool RecordHistory(SharedState& s);

// Steps back (direction 0) or forward (1) and copies that record into the picture, palette and mask.
// Afterwards the snapshot is zeroed, so the next recorded redisplay stores a record. Returns -1 when
// there is nothing to step to, otherwise 0.
int StepHistory(SharedState& s, int direction);

// The history counter as the main window shows it, for example "3/5".
std::string HistoryLabel(const SharedState& s);

}  // namespace pf
