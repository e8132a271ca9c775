#pragma once
// The instrument's rules that choose the frame decoded for a SUBFRAME variable.
#include <memory>
#include <string>
#include <vector>

#include "structure/FramesDefinition.h"

class TQuorinFramesDefinition : public TFramesDefinition {
 public:
  using TFramesDefinition::TFramesDefinition;

  std::string SubFrameEvaluation(const std::string& SubframeName) override;
  std::vector<std::string> SubFrameCandidates(const std::string& SubframeName) const override;
  std::vector<std::string> SelectorNames() const override;
  bool Copyable() const override { return true; }
  std::unique_ptr<TFramesDefinition> CopyFor(std::vector<std::string>& Messages) const override;
};
