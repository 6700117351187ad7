#include "CallLimits.h"

#include "ZtHttp.h"
#include "client.h"

void SetCallLimits(TVelmoraClient &Client, const TAnswerLimits &Limits)
{
    Client.ApiClient().SetLimits(Limits);
}
