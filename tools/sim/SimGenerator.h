#pragma once
// Generator of demo packet data matching demo/demo.structure.
#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

class TSimGenerator {
 public:
  static constexpr std::size_t FrameLength = 280;

  explicit TSimGenerator(std::uint32_t Seed = 1);

  // Bytes of the next 280-byte BaseFrame exactly as the ground equipment writes them to disk
  // (16-bit words byte-swapped: the file holds CF 1A 1D FC where the decoder reads 1A CF FC 1D).
  std::vector<std::uint8_t> NextBaseFrame();

  // The same into Out, which must hold FrameLength bytes.
  void NextBaseFrame(std::uint8_t* Out);

  // Number of BaseFrames generated so far.
  std::int64_t FrameCount() const { return FrameIndex; }

 private:
  struct TRandom {
    std::uint64_t State;
    std::uint64_t Next();
    double Uniform();  // [0, 1)
    double Noise();    // roughly normal, mean 0, deviation 1
  };

  void FillHousekeeping(std::uint8_t* Image, double T);
  void FillScience(std::uint8_t* Image, double T);
  void FillModeData(std::uint8_t* Data, std::uint16_t Mode, double T);

  TRandom Random;
  double Phase;  // seed-dependent phase of the slow variations, radians
  std::int64_t FrameIndex = 0;
  std::int64_t HkCount = 0;       // housekeeping frames so far
  std::int64_t ScienceCount = 0;  // science frames other than event reports so far
  std::uint16_t SeqCountHk = 0;
  std::uint16_t SeqCountSc = 0;
  std::uint16_t ScPacketCount = 0;
  std::uint16_t TcAccepted = 0;
  std::uint16_t LastTc = 0x1E01;
  std::uint16_t ErrorCount = 0;
  std::uint16_t EventCount = 0;
  std::uint16_t ThermalScan = 0;
  std::uint16_t Strokes = 0;
  double Depth = 120.0;  // mm
  bool Heater1On = false;
  bool Heater2On = false;
};

// Writes Frames BaseFrames from Generator to Out in large chunks. Returns false on a write error.
bool WriteBaseFrames(std::ostream& Out, TSimGenerator& Generator, std::int64_t Frames);

// Writes Frames BaseFrames from a fresh generator with this seed (replacing the file). Returns false if the file cannot
// be written.
bool WriteDemoPacketFile(const std::string& Path, std::int64_t Frames, std::uint32_t Seed = 1);
