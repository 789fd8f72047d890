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
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace pw::test {

#ifdef PW_HOST_EXECUTABLE
inline const std::string kHost = PW_HOST_EXECUTABLE;
#else
inline const std::string kHost;
#endif
#ifdef PW_PWTESTGAINCOMPONENT_BUNDLE
inline const std::string kTestBundle = PW_PWTESTGAINCOMPONENT_BUNDLE;
#else
inline const std::string kTestBundle;
#endif
#ifdef PW_PRESSWEAVECOMPONENT_BUNDLE
inline const std::string kPressweaveBundle = PW_PRESSWEAVECOMPONENT_BUNDLE;
#else
inline const std::string kPressweaveBundle;
#endif
#ifdef PW_PWTESTBROKENCOMPONENT_BUNDLE
inline const std::string kBrokenBundle = PW_PWTESTBROKENCOMPONENT_BUNDLE;
#else
inline const std::string kBrokenBundle;
#endif
#ifdef PW_NM_EXECUTABLE
inline const std::string kNm = PW_NM_EXECUTABLE;
#else
inline const std::string kNm;
#endif

using Channels = std::vector<std::vector<float>>;

struct HostRun
{
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Runs program with args, its standard output and error captured through
// files next to folder; environment holds variables set for the child only.
inline HostRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                          const pw::test::TempFolder& folder,
                          const std::vector<std::pair<std::string, std::string>>& environment = {})
{
  const std::string outPath = folder.Root() + "/../" + std::filesystem::path(folder.Root()).filename().string() +
                              ".stdout";
  const std::string errPath = outPath.substr(0, outPath.size() - 7) + ".stderr";
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
  const auto slurp = [](const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::remove(path.c_str());
    return text;
  };
  run.out = slurp(outPath);
  run.err = slurp(errPath);
  return run;
}

inline void WriteWav(const std::string& path, const Channels& channels, int rate = 48000)
{
  SF_INFO info{};
  info.channels = static_cast<int>(channels.size());
  info.samplerate = rate;
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
  const std::size_t frames = channels[0].size();
  std::vector<float> interleaved(frames * channels.size());
  for (std::size_t i = 0; i < frames; ++i)
    for (std::size_t c = 0; c < channels.size(); ++c)
      interleaved[i * channels.size() + c] = channels[c][i];
  ASSERT_EQ(sf_writef_float(file, interleaved.data(), static_cast<sf_count_t>(frames)),
            static_cast<sf_count_t>(frames));
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
