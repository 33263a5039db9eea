#pragma once

class IReportMessageParams;

// The host's route for reports raised where the library has no window of
// its own at hand.
class VReportMessageRouter {
public:
    virtual void RouteReport(IReportMessageParams* report) = 0;

protected:
    ~VReportMessageRouter() = default;
};

using ReportRouterGetter = VReportMessageRouter* (*)();
