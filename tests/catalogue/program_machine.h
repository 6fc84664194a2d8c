#pragma once
// A temporary machine with the global parameters built on it, for the catalogue tests.

#include <memory>

#include "app/global_param.h"
#include "support/temp_machine.h"

class ProgramMachine {
 public:
  explicit ProgramMachine(const Json::Value& machine = testing_support::MinimalMachine()) : machine_(machine) {
    CGlobalParam::Release();
    params_ = CGlobalParam::Instance();
  }
  ~ProgramMachine() {
    params_.reset();
    CGlobalParam::Release();
  }

  testing_support::TempMachine& machine() { return machine_; }
  CGlobalParam& params() { return *params_; }

 private:
  testing_support::TempMachine machine_;
  std::shared_ptr<CGlobalParam> params_;
};
