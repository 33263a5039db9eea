#include "profile/reports/ReportRouting.h"

#include "profile/reports/IReportMessageParams.h"

namespace {
ReportRouterGetter g_routerGetter = nullptr;
}

void SetReportRouterGetter(ReportRouterGetter getter)
{
    g_routerGetter = getter;
}

ReportRouterGetter GetReportRouterGetter()
{
    return g_routerGetter;
}

void RouteReport(IReportMessageParams* report)
{
    if (!report)
        return;
    report->SetOwner(nullptr);
    VReportMessageRouter* router = g_routerGetter ? g_routerGetter() : nullptr;
    if (router)
        router->RouteReport(report);
    else
        report->Display();
    report->Release();
}
