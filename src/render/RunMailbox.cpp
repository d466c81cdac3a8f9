#include "render/RunMailbox.h"

#include <algorithm>
#include <cassert>
#include <utility>

#include "core/Formula.h"
#include "core/ShareData.h"

const char* ResampleFaultMessage(ResampleFault fault) {
  switch (fault) {
    case ResampleFault::None:
      return "";
    case ResampleFault::FormulaRefused:
      return FormulaCheckMessage(FormulaCheck::InvalidFormula);
    case ResampleFault::NoGrid:
      return RunProblemMessage(RunProblem::NoGrid);
    case ResampleFault::NothingToDraw:
      return RunProblemMessage(RunProblem::NothingToDraw);
    case ResampleFault::TooManyContourLines:
      return RunProblemMessage(RunProblem::TooManyContourLines);
  }
  return "";
}

void RunMailbox::Post(RunMessage message) {
  assert(message != RunMessage::Resample);
  {
    std::lock_guard lock(m_mutex);
    m_queue.push_back(message);
  }
  m_wake.notify_one();
}

void RunMailbox::PostResample(const CParaData& para, bool coarse) {
  {
    std::lock_guard lock(m_mutex);
    m_resample.para = para;
    m_resample.coarse = coarse;
    m_bResamplePending = true;
  }
  m_wake.notify_one();
}

void RunMailbox::Wake() {
  { std::lock_guard lock(m_mutex); }
  m_wake.notify_one();
}

bool RunMailbox::Wait(std::initializer_list<RunMessage> wanted, const std::atomic<int>& state,
                      int runState, RunMessage* got, ResampleRequest* resample) {
  const auto isWanted = [&](RunMessage message) {
    return std::find(wanted.begin(), wanted.end(), message) != wanted.end();
  };
  std::unique_lock lock(m_mutex);
  for (;;) {
    m_wake.wait(lock,
                [&] { return state.load() != runState || !m_queue.empty() || m_bResamplePending; });
    if (state.load() != runState) return false;
    bool found = false;
    if (m_bResamplePending && resample != nullptr && isWanted(RunMessage::Resample)) {
      std::swap(*resample, m_resample);
      *got = RunMessage::Resample;
      found = true;
    }
    m_bResamplePending = false;
    for (RunMessage message : m_queue) {
      if (!isWanted(message)) continue;
      // The enumeration's order is the order of precedence.
      if (!found || message < *got) *got = message;
      found = true;
    }
    m_queue.clear();
    if (found) return true;
  }
}

std::size_t RunMailbox::Pending() const {
  std::lock_guard lock(m_mutex);
  return m_queue.size() + (m_bResamplePending ? 1 : 0);
}

void RunMailbox::Clear() {
  std::lock_guard lock(m_mutex);
  m_queue.clear();
  m_bResamplePending = false;
}
