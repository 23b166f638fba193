#include "testfolder.h"

#include "core/filelayer.h"
#include "core/storejournal.h"

#include <gtest/gtest.h>

// A copy that dies in the middle of an operation leaves its journal; the
// next one to hold the lock undoes every step, whichever was the last. A
// committed operation stands and leaves nothing behind.
TEST(StoreJournal, HalfDoneIsUndoneCommittedStands) {
    for (int steps = 1; steps <= 6; ++steps) {
        TestFolder dir;
        dir.write("group.dir", "old names");
        dir.write("quil0.1", "a note");
        dir.write("quil0.2", "going");
        const auto before = dir.snapshot(true);
        {
            StoreJournal j;
            j.setFolder(dir.path());
            const std::function<FileResult()> step[] = {
                [&] { return j.write(dir.file("group.dir"), "new names"); },
                [&] { return j.rename(dir.file("quil0.1"), dir.file("quil3.1")); },
                [&] { return j.remove(dir.file("quil0.2")); },
                [&] { return j.copy(dir.file("quil3.1"), dir.file("quil4.4")); },
                [&] { return j.write(dir.file("items3.dir"), "brand new"); },
                [&] { return j.commit(); },
            };
            for (int k = 0; k < steps; ++k) {
                ASSERT_TRUE(step[k]().ok());
            }
        }
        if (steps < 6) {
            EXPECT_TRUE(StoreJournal::recover(dir.path()));
            EXPECT_EQ(dir.snapshot(true), before) << "after " << steps << " steps";
        } else {
            EXPECT_EQ(dir.snapshot(true).keys(),
                      QStringList({"group.dir", "items3.dir", "quil3.1", "quil4.4"}));
        }
        EXPECT_FALSE(StoreJournal::recover(dir.path())) << "nothing left to undo";
    }
}
