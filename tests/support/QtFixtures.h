#pragma once

#include <memory>
#include <string>
#include <vector>

#include <QAbstractItemModel>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QModelIndex>

#include <gtest/gtest.h>

#include "Fakes.h"
#include "StoreFixtures.h"
#include "platform/GlobalConfig.h"
#include "platform/Products.h"
#include "profile/store/MemoryProfileBackend.h"
#include "profile/store/ProfileStoreFactoryGetter.h"
#include "profile/sessions/SessionDatabase.h"

// A session database in memory, the global options at their defaults and
// both products installed, for the tests of the windows.
class WidgetTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    SessionDatabase& Db() { return *GetSessionDatabaseImpl(); }
    static void Folder(const std::u16string& path) { MakeFolder(path); }
    template <class... Values>
    static void Session(const Values&... values)
    {
        WriteSession(values...);
    }

    // Lets queued work and timers run until `done` or the time is up.
    template <class F>
    static bool WaitFor(F done, int milliseconds = 3000)
    {
        QElapsedTimer clock;
        clock.start();
        while (!done()) {
            if (clock.elapsed() > milliseconds)
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        return true;
    }
    static void Settle() { QCoreApplication::processEvents(); }

    // The rows a model shows below `parent` as text, two blanks of indent a
    // level, children only of expanded rows as `isExpanded` tells.
    template <class Expanded>
    static std::vector<std::string> Rows(const QAbstractItemModel& model, Expanded isExpanded,
                                         const QModelIndex& parent = {}, int depth = 0)
    {
        std::vector<std::string> rows;
        for (int row = 0; row < model.rowCount(parent); ++row) {
            const QModelIndex index = model.index(row, 0, parent);
            rows.push_back(std::string(static_cast<size_t>(depth) * 2, ' ') +
                           index.data().toString().toStdString());
            if (isExpanded(index))
                for (std::string& child : Rows(model, isExpanded, index, depth + 1))
                    rows.push_back(std::move(child));
        }
        return rows;
    }

    std::unique_ptr<MemoryProfileFactory> factory;
    FakeMessageBox box;
    FreshGlobalConfig fresh;
    GlobalConfig* config = fresh.config;
};
