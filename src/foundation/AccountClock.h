#pragma once

// The program's two clocks. Every time the service keeps and every time a
// window shows or asks for is a wall-clock time of the account's zone, which
// need not be the computer's: the account's present is the only "now" and
// "today" a window may use. The computer's own clock is for what the
// computer itself times: file ages, time-outs, lifetimes of notices.

#include "ZtDates.h"

// The computer's wall clock, in the computer's zone. Never shown as a time
// of the account, never sent to the service.
TDateTime ComputerNow();

// The account's zone in days east of UTC. The API client sets it whenever
// it learns the zone; until then it is the computer's present offset.
void SetAccountZone(double Zone);
double AccountZone();
// The account's present as a wall-clock time of its zone; its date is the
// account's "today".
TDateTime AccountNow();
