#pragma once
// Running the real pressweave-host executable from a test: where the build
// put it and the bundles it loads, a child process with its output captured,
// and the audio files it reads and writes.

#include "TempFolder.h"

#include <sndfile.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <type_traits>
#include <unistd.h>
#include <utility>
#include <vector>

namespace pw::test {

// Where the build put the host, the bundles and nm; empty when not built.
#ifndef PW_HOST_EXECUTABLE
#define PW_HOST_EXECUTABLE ""
#endif
#ifndef PW_PWTESTGAINCOMPONENT_BUNDLE
#define PW_PWTESTGAINCOMPONENT_BUNDLE ""
#endif
#ifndef PW_PRESSWEAVECOMPONENT_BUNDLE
#define PW_PRESSWEAVECOMPONENT_BUNDLE ""
#endif
#ifndef PW_PWTESTBROKENCOMPONENT_BUNDLE
#define PW_PWTESTBROKENCOMPONENT_BUNDLE ""
#endif
#ifndef PW_NM_EXECUTABLE
#define PW_NM_EXECUTABLE ""
#endif
inline const std::string kHost = PW_HOST_EXECUTABLE;
inline const std::string kTestBundle = PW_PWTESTGAINCOMPONENT_BUNDLE;
inline const std::string kPressweaveBundle = PW_PRESSWEAVECOMPONENT_BUNDLE;
inline const std::string kBrokenBundle = PW_PWTESTBROKENCOMPONENT_BUNDLE;
inline const std::string kNm = PW_NM_EXECUTABLE;

using Channels = std::vector<std::vector<float>>;

struct HostRun
{
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Runs program with args, its standard output and error captured through
// files next to folder; environment holds variables set for the child only.
// The child runs in workingFolder when one is given, else in the test's.
inline HostRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                          const pw::test::TempFolder& folder,
                          const std::vector<std::pair<std::string, std::string>>& environment = {},
                          const std::string& workingFolder = {})
{
  const std::string outPath = folder.Root() + ".stdout"; // beside the folder: its entries stay the test's
  const std::string errPath = folder.Root() + ".stderr";
  HostRun run;
  const pid_t child = fork();
  if (child == 0)
  {
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(out, STDOUT_FILENO);
    dup2(err, STDERR_FILENO);
    for (const auto& [name, value] : environment)
      setenv(name.c_str(), value.c_str(), 1);
    if (!workingFolder.empty() && chdir(workingFolder.c_str()) != 0)
      _exit(126);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args)
      argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status))
    run.exitCode = WEXITSTATUS(status);
  for (const auto& [path, text] : {std::pair{outPath, &run.out}, std::pair{errPath, &run.err}})
  {
    std::ifstream file(path, std::ios::binary);
    text->assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    std::remove(path.c_str());
  }
  return run;
}

// A refused run: exit 1, one line on standard error naming the problem,
// and the folder holding exactly entries (nothing rendered, nothing saved).
inline void ExpectRefused(const HostRun& run, const std::string& fragment, const TempFolder& folder,
                          const std::vector<std::string>& entries)
{
  EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
  EXPECT_EQ(run.err.rfind("pressweave-host: ", 0), 0u) << run.err;
  EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
  EXPECT_NE(run.err.find(fragment), std::string::npos) << run.err;
  EXPECT_EQ(folder.Entries(), entries) << fragment;
}

// A WAV file of 32-bit float samples, or of 64-bit ones from double channels.
template <typename Sample>
void WriteWav(const std::string& path, const std::vector<std::vector<Sample>>& channels, int rate = 48000)
{
  SF_INFO info{};
  info.channels = static_cast<int>(channels.size());
  info.samplerate = rate;
  info.format = SF_FORMAT_WAV | (std::is_same_v<Sample, double> ? SF_FORMAT_DOUBLE : SF_FORMAT_FLOAT);
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
  const std::size_t frames = channels[0].size();
  std::vector<Sample> interleaved(frames * channels.size());
  for (std::size_t i = 0; i < frames; ++i)
    for (std::size_t c = 0; c < channels.size(); ++c)
      interleaved[i * channels.size() + c] = channels[c][i];
  sf_count_t written = 0;
  if constexpr (std::is_same_v<Sample, double>)
    written = sf_writef_double(file, interleaved.data(), static_cast<sf_count_t>(frames));
  else
    written = sf_writef_float(file, interleaved.data(), static_cast<sf_count_t>(frames));
  ASSERT_EQ(written, static_cast<sf_count_t>(frames));
  sf_close(file);
}

inline Channels ReadAudio(const std::string& path, int* rate = nullptr)
{
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  EXPECT_NE(file, nullptr) << path << ": " << sf_strerror(nullptr);
  if (!file)
    return {};
  std::vector<float> interleaved(static_cast<std::size_t>(info.frames * info.channels));
  sf_readf_float(file, interleaved.data(), info.frames);
  sf_close(file);
  if (rate)
    *rate = info.samplerate;
  Channels channels(static_cast<std::size_t>(info.channels), std::vector<float>(static_cast<std::size_t>(info.frames)));
  for (std::size_t i = 0; i < channels[0].size(); ++i)
    for (std::size_t c = 0; c < channels.size(); ++c)
      channels[c][i] = interleaved[i * channels.size() + c];
  return channels;
}

inline Channels Signal(int nChannels, long frames, double hz, float level)
{
  Channels x(static_cast<std::size_t>(nChannels), std::vector<float>(static_cast<std::size_t>(frames)));
  for (int c = 0; c < nChannels; ++c)
    for (long i = 0; i < frames; ++i)
      x[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)] =
        level * static_cast<float>(std::sin(2.0 * M_PI * hz * (c + 1) * i / 48000.0));
  return x;
}

} // namespace pw::test
