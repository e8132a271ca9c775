#pragma once
// The instrument's rules that choose the frame decoded for a SUBFRAME variable.
#include <string>

#include "structure/FramesDefinition.h"

class TQuorinFramesDefinition : public TFramesDefinition {
 public:
  using TFramesDefinition::TFramesDefinition;

  std::string SubFrameEvaluation(const std::string& SubframeName) override;
};
