#pragma once

#include "core/Export.h"
#include "profile/reports/VReportMessageRouter.h"

class IReportMessageParams;

// Kept by library initialisation; may be null.
void SetReportRouterGetter(ReportRouterGetter getter);
ReportRouterGetter GetReportRouterGetter();

// Hands a report to the host's router, or lets it display itself when
// there is none, then releases the caller's reference on it.
void RouteReport(IReportMessageParams* report);
