#pragma once
// One statistics event. The observing code creates the point, fills its fields and hands
// it to the reporter, which asks it for its name (for the log) and its query (the body of
// the statistics request). Every value of the query is encrypted with the statistics key;
// the keys stay plain.

#include <cstdint>
#include <string>

class FixedPointBase {
 public:
  // Fills the process-wide identity on the first point of the run.
  explicit FixedPointBase(int32_t step);
  virtual ~FixedPointBase() = default;
  FixedPointBase(const FixedPointBase&) = delete;
  FixedPointBase& operator=(const FixedPointBase&) = delete;

  // The display name, narrow text in code page 936.
  virtual std::string GetName() const = 0;
  // The request body: BaseQuery followed by the point's own pairs.
  virtual std::string BuildQuery() const;

  // "mac=...&sole=...&step=..." with the encrypted identity and step.
  std::string BaseQuery() const;

  const int32_t step;

 protected:
  // "&key=" followed by the encryption of `plainText`, which is inserted as Base64
  // without URL escaping, as the statistics service reads it.
  static std::string Pair(const char* key, const std::string& plainText);
};
