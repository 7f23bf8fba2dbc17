// Reports carried from worker threads to the main thread: they run there while the
// worker waits, a message box's event loop serves the other workers meanwhile, and a
// closing window releases every waiting worker without running its call.

#include <QCoreApplication>
#include <QEventLoop>
#include <QTest>
#include <QThread>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "app/MainThreadCalls.h"

using zort::MainThreadCalls;
using namespace std::chrono_literals;

namespace {

// Runs the main thread's events until `done` holds or two seconds pass.
template <typename Done>
bool ServeUntil(Done done) {
    const auto deadline = std::chrono::steady_clock::now() + 2s;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

}  // namespace

class MainThreadCallsTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void TheCallRunsOnTheMainThreadBeforeTheWorkerGoesOn() {
        MainThreadCalls calls;
        QThread* ranOn = nullptr;
        int value = 0;
        int seenByWorker = -1;
        std::atomic<bool> workerDone{false};
        std::thread worker([&] {
            calls.Run([&] {
                ranOn = QThread::currentThread();
                value = 42;
            });
            seenByWorker = value;
            workerDone = true;
        });
        QVERIFY(ServeUntil([&] { return workerDone.load(); }));
        worker.join();
        QCOMPARE(ranOn, QThread::currentThread());
        QCOMPARE(seenByWorker, 42);

        // Called on the main thread itself, it runs at once.
        value = 0;
        calls.Run([&] { value = 7; });
        QCOMPARE(value, 7);
    }

    // A message box shown by one worker's call must not hold up, or repeat, the calls
    // of the others.
    void ANestedEventLoopServesTheOtherWorkersOnce() {
        MainThreadCalls calls;
        std::atomic<int> firstRuns{0}, secondRuns{0};
        std::atomic<bool> firstDone{false};
        std::thread second;
        std::thread first([&] {
            calls.Run([&] {
                ++firstRuns;
                QEventLoop box;
                second = std::thread([&] {
                    calls.Run([&] {
                        ++secondRuns;
                        box.quit();
                    });
                });
                box.exec();
            });
            firstDone = true;
        });
        QVERIFY(ServeUntil([&] { return firstDone.load(); }));
        first.join();
        second.join();
        QCoreApplication::processEvents();
        QCOMPARE(firstRuns.load(), 1);
        QCOMPARE(secondRuns.load(), 1);
    }

    void DetachOrDestructionReleasesWaitingWorkersWithoutRunningTheirCalls() {
        for (const bool destroy : {false, true}) {
            auto calls = std::make_unique<MainThreadCalls>();
            std::atomic<int> runs{0};
            std::atomic<bool> returned{false};
            std::thread worker([&, c = calls.get()] {
                c->Run([&] { ++runs; });
                returned = true;
            });
            // The main thread is busy (serves no events) while the worker waits.
            std::this_thread::sleep_for(50ms);
            QVERIFY(!returned);
            const auto released = std::chrono::steady_clock::now();
            if (destroy) {
                calls.reset();
            } else {
                calls->Detach();
            }
            worker.join();
            QVERIFY(std::chrono::steady_clock::now() - released < 1s);
            QCoreApplication::processEvents();
            QCOMPARE(runs.load(), 0);

            if (!destroy) {
                // Later calls return at once, from any thread, and run nothing.
                std::thread late([&] { calls->Run([&] { ++runs; }); });
                late.join();
                calls->Run([&] { ++runs; });
                QCoreApplication::processEvents();
                QCOMPARE(runs.load(), 0);
            }
        }
    }
};

QTEST_GUILESS_MAIN(MainThreadCallsTest)
#include "MainThreadCallsTest.moc"
