#pragma once

#include <QMainWindow>
#include <QWidget>

#include "platform/SynchLock.h"
#include "platform/qt/VDockingControlBar.h"

// A new pane's bar in the host's frame: it keeps the pane control id the
// host gave and is docked at its place.
inline void CreatePaneBar(VDockingControlBar& bar, unsigned paneId, QWidget* frame)
{
    bar.setProperty("paneId", paneId);
    if (auto* main = qobject_cast<QMainWindow*>(frame))
        bar.DockInto(main);
}

// The way the host shows a docked pane: the frame's sink interface finds
// the pane, which is made once per frame (with its docking bar, under the
// host's lock) and afterwards only shown or hidden. A frame without the sink
// is ignored, and hiding a pane that was never made makes nothing.
//
// `Sink` offers Get<Pane>() and Set<Pane>(Pane*) as `get` and `set`; `make`
// builds the pane (a VDockingControlBar that implements `Pane`) for the sink.
template <class Sink, class Pane, class Make>
void ShowDockedPane(bool show, unsigned paneId, QWidget* frame, bool& visible, Pane* (Sink::*get)() const,
                    void (Sink::*set)(Pane*), Make make)
{
    auto* sink = dynamic_cast<Sink*>(frame);
    if (!sink)
        return;
    Pane* pane = (sink->*get)();
    if (show && !pane) {
        SynchLock lock;
        pane = make(*sink);
        if (auto* bar = dynamic_cast<VDockingControlBar*>(pane->GetPaneWindow()))
            CreatePaneBar(*bar, paneId, frame);
        (sink->*set)(pane);
    }
    if (pane)
        pane->ShowPane(show, visible);
}
