// Runs that end early: signals during a command-line run, and the leftovers of killed runs.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <thread>

#include "batch/batchrun.h"
#include "cli/clihelperprocess.h"
#include "imageio/tempfiles.h"
#include "imageio/testimages.h"

using namespace tavu;
using namespace tavu::test;

namespace {

bool AnyPart(const std::string& folder) {
    for (const std::string& f : ListFolder(folder))
        if (f.size() > 5 && f.compare(f.size() - 5, 5, ".part") == 0) return true;
    return false;
}

// Starts the command-line batch over `pictures` into `out`; its process id.
pid_t StartBatch(const std::vector<std::string>& pictures, const std::string& out) {
    std::vector<std::string> args = {"--original", "-f", "png", "-j", "2", "--quiet", "-o", out};
    args.insert(args.end(), pictures.begin(), pictures.end());
    return StartCliHelper(args);
}

void WaitForFirstResult(const std::string& out) {
    for (int i = 0; i < 2000; ++i) {
        for (const std::string& f : ListFolder(out))
            if (f[0] != '.') return;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

std::vector<std::string> Pictures(const TempDir& t, int n) {
    std::vector<std::string> list;
    for (int i = 0; i < n; ++i) {
        list.push_back(t.file("p" + std::to_string(i) + ".png"));
        WritePicture(list.back(), 1500, 1000, [i](int x, int y) {
            const uint32_t v = uint32_t(x + i) * 2654435761u ^ uint32_t(y) * 40503u;
            return Rgb{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16)};
        });
    }
    return list;
}

}  // namespace

TEST(Interrupted, TermStopsLikeCtrlCAndASecondOneRemovesTheTemporaryFiles) {
    TempDir t;
    const std::vector<std::string> list = Pictures(t, 12);
    for (int signals : {1, 2}) {
        SCOPED_TRACE(signals);
        for (int sig : {SIGTERM, SIGHUP}) {
            const std::string out = t.mkdir("out" + std::to_string(signals) + "-" + std::to_string(sig));
            const pid_t pid = StartBatch(list, out);
            ASSERT_GT(pid, 0);
            WaitForFirstResult(out);
            // A second signal of the same kind could merge with the first while both are
            // pending: the second one is Ctrl+C.
            ::kill(pid, sig);
            if (signals == 2) ::kill(pid, SIGINT);
            int status = 0;
            ASSERT_EQ(::waitpid(pid, &status, 0), pid);
            ASSERT_TRUE(WIFEXITED(status));
            // The first signal: the run stops, reports it (exit 1) and leaves complete results only.
            if (signals == 1) EXPECT_EQ(WEXITSTATUS(status), 1);
            else EXPECT_TRUE(WEXITSTATUS(status) == 128 + sig || WEXITSTATUS(status) == 128 + SIGINT) << WEXITSTATUS(status);
            EXPECT_FALSE(AnyPart(out)) << ListFolder(out).size();
            EXPECT_LT(ListFolder(out).size(), list.size());
            for (const std::string& f : ListFolder(out)) EXPECT_EQ(ReadCanvas(out + "/" + f).width(), 1500) << f;
        }
    }
}

TEST(Interrupted, LeftoversOfDeadRunsGoThoseOfLiveRunsStay) {
    TempDir t;
    const std::string out = t.mkdir("out");
    // A process that has ended: its number, with a start time it never had now.
    pid_t dead = -1;
    {
        char* argv[] = {const_cast<char*>("/bin/true"), nullptr};
        ASSERT_EQ(::posix_spawn(&dead, "/bin/true", nullptr, nullptr, argv, environ), 0);
        ::waitpid(dead, nullptr, 0);
    }
    std::string boot;
    std::getline(std::ifstream("/proc/sys/kernel/random/boot_id"), boot);
    std::string bootHex;
    for (char c : boot)
        if (c != '-') bootHex += c;
    const std::string live = TempPrefix() + "abcdef.part";                     // this very run
    const std::string gone = ".tavuzip-" + std::to_string(dead) + "-1-" + bootHex + "-abcdef.part";
    const std::string reused = ".tavuzip-1-999999999-" + bootHex + "-abcdef.part";  // pid 1, other start
    const std::string beforeBoot = ".tavuzip-" + std::to_string(::getpid()) + "-1-00000000000000000000000000000000-x.part";
    const std::string legacy = ".tavuzip-Ab12Cd.part";                         // new: may belong to a live run
    const std::string other = "photo.part";                                    // not ours
    for (const std::string& f : {live, gone, reused, beforeBoot, legacy, other}) WriteBytes(out + "/" + f, {1});

    EXPECT_TRUE(TempOwnerAlive(live));
    EXPECT_FALSE(TempOwnerAlive(gone));
    EXPECT_FALSE(TempOwnerAlive(reused));
    EXPECT_FALSE(TempOwnerAlive(beforeBoot));

    // The next run into the folder clears the dead runs' files before it starts.
    const std::string src = t.file("a.png");
    WriteSolid(src, 20, 20, {1, 2, 3});
    BatchOptions o;
    o.format = "png";
    o.naming.outDir = out;
    BatchRunner r;
    ASSERT_EQ(r.run({src}, o).written, 1u);
    std::vector<std::string> expect = {legacy, live, "a.png", other};
    std::sort(expect.begin(), expect.end());
    EXPECT_EQ(ListFolder(out), expect);
}
