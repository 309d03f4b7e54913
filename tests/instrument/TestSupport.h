#pragma once

// Shared pieces of the instrument tests: a scripted byte link, a recording
// question answerer, a kx208m-sim child process and the fixture of the
// archive-reading tests.

#include "ArchiveData.h"
#include "Instrument.h"
#include "Port.h"
#include "ReadArchive.h"
#include "SimInstrument.h"

#include <deque>
#include <gtest/gtest.h>
#include <span>
#include <string>
#include <utility>
#include <vector>

// A link whose replies are scripted byte strings, one per Read call.
class ScriptedLink final : public Transport {
  public:
    struct Log {
        std::vector<uint8_t> written;
        std::vector<size_t> readSizes;
        int purges = 0;
    };
    ScriptedLink(std::deque<std::vector<uint8_t>> replies, Log* log, bool purgeFails = false)
        : m_replies(std::move(replies)), m_log(log), m_purgeFails(purgeFails) {}

    bool PurgeReceived() override {
        ++m_log->purges;
        return !m_purgeFails;
    }
    int Write(const uint8_t* d, size_t n, int) override {
        m_log->written.insert(m_log->written.end(), d, d + n);
        return static_cast<int>(n);
    }
    int Read(uint8_t* d, size_t n, int) override {
        m_log->readSizes.push_back(n);
        if (m_replies.empty())
            return 0;
        std::vector<uint8_t> r = std::move(m_replies.front());
        m_replies.pop_front();
        const size_t k = std::min(n, r.size());
        std::copy(r.begin(), r.begin() + static_cast<long>(k), d);
        return static_cast<int>(k);
    }

  private:
    std::deque<std::vector<uint8_t>> m_replies;
    Log* m_log;
    bool m_purgeFails;
};

// Records messages and questions; answers from a script (No when it runs out).
class RecordingUi final : public IDeviceUi {
  public:
    std::vector<std::string> messages;
    std::vector<std::string> questions;
    std::vector<int> questionBlocks;
    std::deque<bool> answers;

    void ShowMessage(std::string_view text, int) override { messages.emplace_back(text); }
    bool Ask(Question, std::string_view text, int, int block) override {
        questions.emplace_back(text);
        questionBlocks.push_back(block);
        if (answers.empty())
            return false;
        const bool a = answers.front();
        answers.pop_front();
        return a;
    }
};

// kx208m-sim in a child process, stopped and reaped when destroyed.
class SimProcess {
  public:
    explicit SimProcess(const std::vector<std::string>& args);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;
    const std::string& Path() const { return m_path; }
    // Waits for the child to exit by itself; its exit status, or -1.
    int Wait(int timeoutMs);

  private:
    int m_pid = -1;
    std::string m_path;
};

// Runs a program to completion; its exit status, stderr in errText.
int RunProgram(const std::vector<std::string>& argv, const std::string& workDir, std::string& errText);

std::vector<ArchiveRecord> ReadMnrRecords(const std::string& path);

// Whether a and b both hold at least count records and the first count agree.
bool SameRecords(std::span<const ArchiveRecord> a, std::span<const ArchiveRecord> b, size_t count);
// Whether a and b hold the same records.
bool SameRecords(std::span<const ArchiveRecord> a, std::span<const ArchiveRecord> b);
std::string TempDir(const std::string& name);

// Reads an archive from whatever device the test adds, with the link timeouts
// given, into a fresh archive whose backup goes to a per-test folder.
class ArchiveReadFixture : public ::testing::Test {
  protected:
    explicit ArchiveReadFixture(int timeoutMs) : m_timeoutMs(timeoutMs) {}

    void SetUp() override;
    void TearDown() override;

    // Reads the device's archive, recording the progress calls; the read is
    // stopped at the stopAt-th call when stopAt > 0.
    int Read(bool forced = false);
    // Connects to the simulator's terminal as the device dialog does.
    bool Connect(const SimProcess& sim);

    CDeviceList devices;
    RecordingUi ui;
    CArchiveData archive;
    std::string dir;
    std::vector<std::pair<int, int>> progress;
    ReadOutcome outcome; // of the last Read
    int stopAt = 0;

  private:
    int m_timeoutMs;
};
