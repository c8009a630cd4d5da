// The event stack: 512 slots of 16-bit event codes, oldest in slot 0, filled through system argument
// 1 by formulas and the acquisition kernel and read by hosts.
#ifndef NUMERA32_EVALUATE_EVENTS_H
#define NUMERA32_EVALUATE_EVENTS_H

#include <cstdint>

namespace numera32::evaluate {

// Stores the code in the next slot; a full stack (512) drops its oldest event, keeping 511.
void push_event(int16_t code);
// GetEvent's contract (numera32_evaluate.h).
int32_t get_event(int16_t index, uint16_t flag);
int32_t event_count();
void clear_events();

}  // namespace numera32::evaluate

#endif
