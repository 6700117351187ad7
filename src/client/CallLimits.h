#pragma once

#include "AnswerLimits.h"

class TVelmoraClient;

// The size and time limits of the client's calls from now on; each call
// takes those of its kind (held by the client's HTTPS client).
void SetCallLimits(TVelmoraClient &Client, const TAnswerLimits &Limits);
