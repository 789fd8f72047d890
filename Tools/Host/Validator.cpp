#include "Validator.h"

#include "UnitInstance.h"
#include "ValidatorPhases.h"

#include <CoreFoundation/PWShimCFBase.h>

#include <algorithm>
#include <chrono>

namespace pw::host {

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start)
{
  return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string Milliseconds(double seconds)
{
  char text[32];
  std::snprintf(text, sizeof text, "%.1f ms", seconds * 1000.0);
  return text;
}

void ExpectWithin(PhaseResult& result, double seconds, double limit, const char* what)
{
  result.Expect(seconds <= limit, std::string(what) + " took " + Milliseconds(seconds) + ", more than " +
                                    Milliseconds(limit));
}

// Opens the bundle (cold: the executable is loaded), closes it, opens it
// again and times further instances (warm). Leaves the component open when
// it passes.
PhaseResult OpenAndClose(LoadedComponent& component, const std::string& bundlePath, const HostIdentity& host)
{
  PhaseResult result("open and close");
  Clock::time_point start = Clock::now();
  Status status = Status::Ok();
  {
    QuietStandardOutput quiet;
    status = component.Open(bundlePath, host);
  }
  const double coldOpen = SecondsSince(start);
  if (!status)
  {
    result.Fail("cannot open the component: " + status.Message());
    return result;
  }
  start = Clock::now();
  component.Close();
  const double coldClose = SecondsSince(start);
  {
    QuietStandardOutput quiet;
    status = component.Open(bundlePath, host);
  }
  if (!status)
  {
    result.Fail("cannot open the component a second time: " + status.Message());
    return result;
  }

  double warmOpen = 0.0;
  double warmClose = 0.0;
  for (int i = 0; i < kWarmOpens; ++i)
  {
    UnitInstance instance;
    start = Clock::now();
    status = instance.Open(component);
    warmOpen = std::max(warmOpen, SecondsSince(start));
    if (!status)
    {
      result.Fail("cannot open another instance: " + status.Message());
      break;
    }
    start = Clock::now();
    const OSStatus closed = instance.Dispose();
    warmClose = std::max(warmClose, SecondsSince(start));
    result.Expect(closed == noErr, "closing an instance answers " + StatusText(closed));
  }
  ExpectWithin(result, coldOpen, kMaxColdOpenSeconds, "the cold open");
  ExpectWithin(result, coldClose, kMaxCloseSeconds, "the cold close");
  ExpectWithin(result, warmOpen, kMaxWarmOpenSeconds, "a warm open");
  ExpectWithin(result, warmClose, kMaxCloseSeconds, "a warm close");
  result.SetSummary("cold open " + Milliseconds(coldOpen) + ", close " + Milliseconds(coldClose) + "; warm open " +
                    Milliseconds(warmOpen) + ", close " + Milliseconds(warmClose) + " (slowest of " +
                    std::to_string(kWarmOpens) + ")");
  return result;
}

struct Phase
{
  const char* name;
  PhaseResult (*run)(const LoadedComponent&);
};

const Phase kPhases[] = {
  {"default formats", &ValidateDefaultFormats},
  {"required properties", &ValidateRequiredProperties},
  {"parameters", &ValidateParameters},
  {"channel configurations", &ValidateChannelConfigurations},
  {"render slices", &ValidateRenderSlices},
  {"bypass", &ValidateBypass},
  {"class-info state", &ValidateClassInfo},
  {"uninitialize and initialize", &ValidateReinitialization},
  {"uninitialized render", &ValidateUninitializedRender},
  {"channel pairs", &ValidateChannelPairs},
  {"last render error", &ValidateLastRenderError},
  {"render matrix", &ValidateRenderMatrix},
  {"slicing", &ValidateSlicing},
};

} // namespace

int ValidationReport::FailedPhases() const noexcept
{
  return static_cast<int>(std::count_if(phases.begin(), phases.end(), [](const PhaseResult& p) { return !p.Passed(); }));
}

ValidationReport ValidateComponent(const std::string& bundlePath, const HostIdentity& host, std::FILE* out)
{
  ValidationReport report;
  const auto emit = [&report, out](PhaseResult phase) {
    if (out)
    {
      std::fprintf(out, "%s\n", phase.Line().c_str());
      std::fflush(out);
    }
    report.phases.push_back(std::move(phase));
  };

  const CFIndex liveAtStart = PWShimCFLiveObjectCount();
  LoadedComponent component;
  PhaseResult opening = OpenAndClose(component, bundlePath, host);
  if (component.IsOpen())
    report.componentName = component.Info().name;
  if (out)
    std::fprintf(out, "validating %s (%s)\n", report.componentName.empty() ? "a component" : report.componentName.c_str(),
                 Status::EscapeControlBytes(component.IsOpen() ? component.BundlePath() : bundlePath).c_str());
  emit(std::move(opening));

  // Objects left behind by each phase, told when the count does not return.
  std::string leftBehind;
  for (const Phase& phase : kPhases)
  {
    if (!component.IsOpen())
    {
      PhaseResult skipped(phase.name);
      skipped.Fail("not run: the component did not open");
      emit(std::move(skipped));
      continue;
    }
    const CFIndex before = PWShimCFLiveObjectCount();
    PhaseResult result = phase.run(component);
    const CFIndex left = PWShimCFLiveObjectCount() - before;
    if (left != 0)
      leftBehind += std::string(leftBehind.empty() ? "" : ", ") + std::to_string(left) + " by " + phase.name;
    emit(std::move(result));
  }
  component.Close();

  PhaseResult objects("CoreFoundation objects");
  const CFIndex liveAtEnd = PWShimCFLiveObjectCount();
  if (liveAtEnd != liveAtStart)
    objects.Fail(std::to_string(liveAtEnd - liveAtStart) + " objects made and never released (" +
                 std::to_string(liveAtStart) + " live before, " + std::to_string(liveAtEnd) + " after" +
                 (leftBehind.empty() ? std::string() : "; " + leftBehind) + ")");
  objects.SetSummary("every object made was released again (" + std::to_string(liveAtStart) +
                     " live before and after)");
  emit(std::move(objects));

  if (out)
  {
    const int failed = report.FailedPhases();
    if (failed == 0)
      std::fprintf(out, "all %zu phases passed\n", report.phases.size());
    else
      std::fprintf(out, "%d of %zu phases failed\n", failed, report.phases.size());
  }
  return report;
}

} // namespace pw::host
