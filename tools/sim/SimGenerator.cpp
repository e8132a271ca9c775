#include "sim/SimGenerator.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <numbers>

namespace {

// Image layout (decoder byte order), mirrored from demo/demo.structure.
constexpr std::size_t kDataFieldHeader = 10;
constexpr std::size_t kSwitchByte = 20;
constexpr std::size_t kPayload = 22;  // HKFrame / ScienceFrame
constexpr std::size_t kAdcBlock = kPayload + 40;
constexpr std::size_t kHeatBlock = kPayload + 72;
constexpr std::size_t kModeData = kPayload + 8;  // SUB_SC
constexpr std::size_t kCrc = 278;

constexpr std::uint16_t kApidHk = 0x2A1;
constexpr std::uint16_t kApidScience = 0x2A2;
constexpr std::uint32_t kObtStart = 1234000;  // on-board seconds of the first BaseFrame
constexpr std::uint16_t kBootCount = 17;

// Science modes in the order they are sent; every 50th BaseFrame is an event report instead.
constexpr std::array<std::uint16_t, 5> kScienceModes = {7, 16, 19, 5, 35};
constexpr std::uint16_t kModeFirst = 7;
constexpr std::uint16_t kModeHealthA = 16;
constexpr std::uint16_t kModeThermal = 19;
constexpr std::uint16_t kModeThermalHeated = 35;
constexpr std::uint16_t kModeDepth = 5;
constexpr std::uint16_t kModeEvent = 48;
constexpr int kEventEvery = 50;

constexpr std::array<std::uint8_t, 6> kHeatSubtypes = {1, 2, 3, 241, 242, 243};

constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr double kSlowPeriod = 600.0;  // s
constexpr double kFastPeriod = 97.0;   // s

struct TEvent {
  std::uint16_t Id;
  std::uint8_t Severity;
  const char* Text;
};
constexpr std::array<TEvent, 6> kEvents = {{
    {0x0101, 1, "Thermal scan completed"},
    {0x0202, 1, "Time synchronisation received"},
    {0x0303, 2, "Heater 1 duty cycle above 70 %"},
    {0x0404, 1, "Memory scrub finished, no errors"},
    {0x0505, 3, "Depth sensor reading out of range"},
    {0x0606, 1, "Configuration table reloaded"},
}};

void Put16(std::uint8_t* Image, std::size_t Pos, std::uint16_t Value) {
  Image[Pos] = static_cast<std::uint8_t>(Value >> 8);
  Image[Pos + 1] = static_cast<std::uint8_t>(Value);
}

void Put8(std::uint8_t* Image, std::size_t Pos, std::uint8_t Value) { Image[Pos] = Value; }

// Writes Len bits at bit Bit (from the MSB) of byte Pos; the field lies in the 16-bit word at Pos.
void PutBits(std::uint8_t* Image, std::size_t Pos, int Bit, int Len, std::uint32_t Value) {
  const int Shift = 16 - Bit - Len;
  const std::uint32_t Mask = ((1u << Len) - 1u) << Shift;
  std::uint32_t Word = (std::uint32_t{Image[Pos]} << 8) | Image[Pos + 1];
  Word = (Word & ~Mask) | ((Value << Shift) & Mask);
  Put16(Image, Pos, static_cast<std::uint16_t>(Word));
}

std::uint16_t Clamp16(double Value, double Max = 65535.0) {
  return static_cast<std::uint16_t>(std::lround(std::clamp(Value, 0.0, Max)));
}

// Raw count of a 12-bit thermistor channel: degC = raw * 0.05 - 50.
std::uint16_t TempRaw(double DegC) { return Clamp16((DegC + 50.0) / 0.05, 4095.0); }
std::uint16_t MilliRaw(double Volt) { return Clamp16(Volt * 1000.0); }
std::uint16_t CurrentRaw(double MilliAmp) { return Clamp16(MilliAmp / 0.25); }
std::uint8_t PercentRaw(double Percent) { return static_cast<std::uint8_t>(Clamp16(Percent * 2.55, 255.0)); }
std::uint16_t SignedRaw(double Counts) { return Clamp16(Counts + 32768.0); }

constexpr std::array<std::uint16_t, 256> MakeCrcTable() {
  std::array<std::uint16_t, 256> Table{};
  for (unsigned I = 0; I < 256; ++I) {
    std::uint16_t C = static_cast<std::uint16_t>(I << 8);
    for (int B = 0; B < 8; ++B) C = static_cast<std::uint16_t>((C & 0x8000) ? (C << 1) ^ 0x1021 : C << 1);
    Table[I] = C;
  }
  return Table;
}
constexpr std::array<std::uint16_t, 256> kCrcTable = MakeCrcTable();

// CRC-16 (polynomial 1021, start FFFF) as the packet checksum.
std::uint16_t Crc16(const std::uint8_t* Data, std::size_t Size) {
  std::uint16_t Crc = 0xFFFF;
  for (std::size_t I = 0; I < Size; ++I)
    Crc = static_cast<std::uint16_t>((Crc << 8) ^ kCrcTable[((Crc >> 8) ^ Data[I]) & 0xFF]);
  return Crc;
}

}  // namespace

std::uint64_t TSimGenerator::TRandom::Next() {
  // splitmix64
  std::uint64_t Z = (State += 0x9E3779B97F4A7C15ull);
  Z = (Z ^ (Z >> 30)) * 0xBF58476D1CE4E5B9ull;
  Z = (Z ^ (Z >> 27)) * 0x94D049BB133111EBull;
  return Z ^ (Z >> 31);
}

double TSimGenerator::TRandom::Uniform() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }

double TSimGenerator::TRandom::Noise() {
  // Sum of three uniforms, scaled to unit deviation.
  return (Uniform() + Uniform() + Uniform() - 1.5) * 2.0;
}

TSimGenerator::TSimGenerator(std::uint32_t Seed) : Random{Seed} { Phase = Random.Uniform() * kTwoPi; }

std::vector<std::uint8_t> TSimGenerator::NextBaseFrame() {
  std::vector<std::uint8_t> Frame(FrameLength);
  NextBaseFrame(Frame.data());
  return Frame;
}

void TSimGenerator::NextBaseFrame(std::uint8_t* Out) {
  std::array<std::uint8_t, FrameLength> Image{};
  std::uint8_t* I = Image.data();
  const bool Hk = FrameIndex % 2 == 0;
  const bool Event = !Hk && FrameIndex % kEventEvery == kEventEvery - 1;
  const double T = static_cast<double>(FrameIndex);  // one BaseFrame per second

  Put16(I, 0, 0x1ACF);
  Put16(I, 2, 0xFC1D);
  // Primary header: version 0, telemetry, data field header present.
  PutBits(I, 4, 4, 1, 1);
  PutBits(I, 4, 5, 11, Hk ? kApidHk : kApidScience);
  std::uint16_t& Seq = Hk ? SeqCountHk : SeqCountSc;
  PutBits(I, 6, 0, 2, 3);
  PutBits(I, 6, 2, 14, Seq);
  Seq = (Seq + 1) & 0x3FFF;
  Put16(I, 8, static_cast<std::uint16_t>(FrameLength - kDataFieldHeader - 1));

  // Data field header: on-board time with up to 0.2 s jitter of the fine time.
  const std::uint32_t Seconds = kObtStart + static_cast<std::uint32_t>(FrameIndex);
  Put16(I, kDataFieldHeader, static_cast<std::uint16_t>(Seconds >> 16));
  Put16(I, kDataFieldHeader + 2, static_cast<std::uint16_t>(Seconds));
  Put16(I, kDataFieldHeader + 4, static_cast<std::uint16_t>(Random.Uniform() * 0.2 * 65536.0));
  Put8(I, kDataFieldHeader + 6, Hk ? 3 : (Event ? 5 : 20));
  Put8(I, kDataFieldHeader + 7, Hk ? 25 : (Event ? 1 : 3));
  PutBits(I, kDataFieldHeader + 8, 0, 1, 1);
  PutBits(I, kDataFieldHeader + 8, 1, 7, 1);

  PutBits(I, kSwitchByte, 0, 1, Hk ? 1 : 0);
  PutBits(I, kSwitchByte, 1, 7, 5);
  Put8(I, kSwitchByte + 1, Hk ? 0 : 1);

  if (Hk) FillHousekeeping(I, T);
  else FillScience(I, T);

  Put16(I, kCrc, Crc16(I + 4, kCrc - 4));

  for (std::size_t K = 0; K < FrameLength; K += 2) {
    Out[K] = Image[K + 1];
    Out[K + 1] = Image[K];
  }
  ++FrameIndex;
}

void TSimGenerator::FillHousekeeping(std::uint8_t* Image, double T) {
  std::uint8_t* H = Image + kPayload;
  const double Slow = kTwoPi * T / kSlowPeriod + Phase;
  const double Fast = std::sin(kTwoPi * T / kFastPeriod);

  const double Electronics = 22.0 + 5.0 * std::sin(Slow) + 0.2 * Random.Noise();
  const double Supply = 27.0 + 4.0 * std::sin(Slow - 0.4) + 0.2 * Random.Noise();
  const double Head = 5.0 + 12.0 * std::sin(Slow - 0.9) + 0.2 * Random.Noise();
  const double Radiator = -15.0 + 10.0 * std::sin(Slow - 1.3) + 0.2 * Random.Noise();

  // Thermostats with hysteresis: heater 1 on the sensor head, heater 2 on the radiator.
  if (Head < 0.0) Heater1On = true;
  if (Head > 3.0) Heater1On = false;
  if (Radiator < -20.0) Heater2On = true;
  if (Radiator > -17.0) Heater2On = false;

  if (HkCount % 37 == 36) {
    ++TcAccepted;
    LastTc = static_cast<std::uint16_t>(0x1E01 + TcAccepted % 8);
  }
  if (HkCount % 997 == 996) ++ErrorCount;

  constexpr std::uint16_t OpState = 3;
  Put16(H, 0, static_cast<std::uint16_t>(0x8000 | OpState << 8 | (Heater1On ? 2 : 0) | (Heater2On ? 4 : 0)));
  PutBits(H, 2, 0, 1, 1);
  PutBits(H, 2, 1, 1, Heater1On);
  PutBits(H, 2, 2, 1, Heater2On);
  PutBits(H, 2, 4, 4, OpState);
  Put8(H, 3, static_cast<std::uint8_t>(TcAccepted));
  Put16(H, 4, TempRaw(Electronics));
  Put16(H, 6, TempRaw(Supply));
  Put16(H, 8, TempRaw(Head));
  Put16(H, 10, TempRaw(Radiator));

  const double Current =
      320.0 + (Heater1On ? 90.0 : 0.0) + (Heater2On ? 60.0 : 0.0) + 15.0 * Fast + 2.0 * Random.Noise();
  const double Bus = 28.0 - 0.0005 * (Current - 320.0) + 0.03 * Random.Noise();
  Put16(H, 12, Clamp16(Bus * 100.0, 4095.0));
  Put16(H, 14, Clamp16(Current / 0.25, 4095.0));
  Put16(H, 16, MilliRaw(5.0 + 0.005 * Random.Noise()));
  Put16(H, 18, MilliRaw(4.985 + 0.005 * Random.Noise()));
  Put16(H, 20, MilliRaw(3.3 + 0.003 * Random.Noise()));
  Put16(H, 22, MilliRaw(2.5 + 0.001 * Random.Noise()));
  Put16(H, 24, kBootCount);
  Put16(H, 26, LastTc);
  Put16(H, 28, ErrorCount);
  Put8(H, 30, PercentRaw(35.0 + 10.0 * Fast + 2.0 * Random.Noise()));

  const std::uint8_t AdcType = static_cast<std::uint8_t>(1 + HkCount % 3);
  const std::uint8_t HeatType = kHeatSubtypes[static_cast<std::size_t>(HkCount % kHeatSubtypes.size())];
  Put8(H, 32, AdcType);
  Put8(H, 33, HeatType);

  std::uint8_t* Adc = Image + kAdcBlock;
  switch (AdcType) {
    case 1:  // thermistor chain near the sensor head
      for (std::size_t K = 0; K < 4; ++K) Put16(Adc, 2 * K, TempRaw(Head + 0.8 * K + 0.05 * Random.Noise()));
      Put16(Adc, 8, MilliRaw(2.5 + 0.001 * Random.Noise()));
      break;
    case 2:  // strain gauges follow the head temperature, pressure slowly leaks
      Put16(Adc, 0, SignedRaw((12.0 * (Head - 5.0) + 3.0 * Random.Noise()) / 0.05));
      Put16(Adc, 2, SignedRaw((9.0 * (Head - 5.0) + 3.0 * Random.Noise()) / 0.05));
      Put16(Adc, 4, Clamp16((1013.0 - 0.0001 * T + 0.3 * Random.Noise()) / 0.02));
      break;
    default:  // calibration channels
      Put16(Adc, 0, Clamp16(2048.0 + 1.5 * Random.Noise()));
      Put16(Adc, 2, MilliRaw(4.096 + 0.001 * Random.Noise()));
      Put16(Adc, 4, Clamp16((1000.0 + 0.2 * Random.Noise()) / 0.1));
      PutBits(Adc, 6, 0, 1, 1);
      break;
  }

  std::uint8_t* Heat = Image + kHeatBlock;
  switch (HeatType % 16) {
    case 1:
    case 2: {
      const bool One = HeatType % 16 == 1;
      const bool On = One ? Heater1On : Heater2On;
      const double SetPoint = One ? 1.5 : -18.5;
      const double Temp = (One ? Head : Radiator) + (On ? 1.2 : 0.0) + 0.1 * Random.Noise();
      Put16(Heat, 0, TempRaw(SetPoint));
      Put16(Heat, 2, TempRaw(Temp));
      Put16(Heat, 4, CurrentRaw(On ? (One ? 180.0 : 120.0) + 1.5 * Random.Noise() : 0.0));
      Put8(Heat, 6, PercentRaw(On ? std::clamp(50.0 + 8.0 * (SetPoint - Temp), 5.0, 100.0) : 0.0));
      break;
    }
    default:  // control loop parameters
      Put16(Heat, 0, 250);
      Put16(Heat, 2, 50);
      PutBits(Heat, 4, 0, 1, 1);
      PutBits(Heat, 4, 1, 3, 3);
      break;
  }
  ++HkCount;
}

void TSimGenerator::FillScience(std::uint8_t* Image, double T) {
  std::uint8_t* S = Image + kPayload;
  const bool Event = FrameIndex % kEventEvery == kEventEvery - 1;
  const std::uint16_t Mode =
      Event ? kModeEvent : kScienceModes[static_cast<std::size_t>(ScienceCount++ % kScienceModes.size())];
  const double Slow = kTwoPi * T / kSlowPeriod + Phase;

  Put16(S, 0, Mode);
  Put16(S, 2, ScPacketCount++);
  PutBits(S, 4, 0, 1, Mode == kModeThermal || Mode == kModeThermalHeated);
  PutBits(S, 4, 4, 12, TempRaw(-35.0 + 2.0 * std::sin(Slow - 0.5) + 0.1 * Random.Noise()));
  Put16(S, 6, static_cast<std::uint16_t>(0xC000 | Mode));
  FillModeData(Image + kModeData, Mode, T);
}

void TSimGenerator::FillModeData(std::uint8_t* D, std::uint16_t Mode, double T) {
  const double Slow = kTwoPi * T / kSlowPeriod + Phase;
  switch (Mode) {
    case kModeFirst:
      Put16(D, 0, 0x0204);
      Put16(D, 2, 0xB2C1);
      Put16(D, 4, kBootCount);
      PutBits(D, 6, 0, 1, 1);
      PutBits(D, 6, 1, 1, 1);
      Put16(D, 8, 0x5A3C);
      Put16(D, 10, TempRaw(18.5));
      break;
    case kModeHealthA:
      Put16(D, 0, MilliRaw(12.0 + 0.02 * Random.Noise()));
      Put16(D, 2, MilliRaw(11.95 + 0.02 * Random.Noise()));
      Put16(D, 4, CurrentRaw(85.0 + 0.8 * Random.Noise()));
      Put16(D, 6, CurrentRaw(140.0 + 5.0 * std::sin(kTwoPi * T / kFastPeriod) + Random.Noise()));
      Put16(D, 8, TempRaw(30.0 + 5.0 * std::sin(Slow) + 0.2 * Random.Noise()));
      Put16(D, 10, 0);
      Put16(D, 12, 0);
      break;
    case kModeThermal:
    case kModeThermalHeated: {
      // Damped daily wave in the ground, sensors 5 cm apart; mode 35 heats the probe.
      const bool Heated = Mode == kModeThermalHeated;
      Put16(D, 0, ThermalScan++);
      for (int K = 0; K < 8; ++K) {
        const double Z = 0.05 * K / 0.12;
        const double Temp =
            -25.0 + 8.0 * std::exp(-Z) * std::sin(Slow - Z) + (Heated ? 0.8 : 0.0) + 0.05 * Random.Noise();
        Put16(D, 2 + 2 * K, TempRaw(Temp));
      }
      Put16(D, 18, Clamp16(Heated ? 2500.0 + 5.0 * Random.Noise() : 0.0));
      break;
    }
    case kModeDepth: {
      const int New = 1 + static_cast<int>(Random.Next() % 3);
      Strokes = static_cast<std::uint16_t>(Strokes + New);
      Depth += 0.4 * New * (1.0 - Depth / 3500.0);
      Put16(D, 0, Clamp16(Depth * 10.0));
      Put16(D, 2, SignedRaw((1.5 + 0.02 * Random.Noise()) / 0.01));
      Put16(D, 4, SignedRaw((-0.7 + 0.02 * Random.Noise()) / 0.01));
      Put16(D, 6, Strokes);
      PutBits(D, 8, 0, 1, 1);
      break;
    }
    case kModeEvent: {
      const TEvent& E = kEvents[EventCount % kEvents.size()];
      ++EventCount;
      Put16(D, 0, E.Id);
      PutBits(D, 2, 0, 4, E.Severity);
      Put16(D, 4, EventCount);
      char Text[64] = {};
      std::snprintf(Text, sizeof Text, "EVT %04X: %s", static_cast<unsigned>(E.Id), E.Text);
      std::memcpy(D + 8, Text, sizeof Text);
      break;
    }
    default: break;
  }
}

bool WriteBaseFrames(std::ostream& Out, TSimGenerator& Generator, std::int64_t Frames) {
  constexpr std::int64_t ChunkFrames = 4096;  // about 1.1 MB per write
  std::vector<std::uint8_t> Buffer(static_cast<std::size_t>(std::clamp<std::int64_t>(Frames, 0, ChunkFrames)) *
                                   TSimGenerator::FrameLength);
  std::int64_t Left = Frames;
  while (Left > 0 && Out) {
    const std::int64_t N = std::min(Left, ChunkFrames);
    for (std::int64_t K = 0; K < N; ++K)
      Generator.NextBaseFrame(Buffer.data() + static_cast<std::size_t>(K) * TSimGenerator::FrameLength);
    Out.write(reinterpret_cast<const char*>(Buffer.data()),
              static_cast<std::streamsize>(N * static_cast<std::int64_t>(TSimGenerator::FrameLength)));
    Left -= N;
  }
  return static_cast<bool>(Out);
}

bool WriteDemoPacketFile(const std::string& Path, std::int64_t Frames, std::uint32_t Seed) {
  if (Frames < 0) return false;
  std::ofstream Out(Path, std::ios::binary | std::ios::trunc);
  if (!Out) return false;
  TSimGenerator Generator(Seed);
  if (!WriteBaseFrames(Out, Generator, Frames)) return false;
  Out.close();
  return !Out.fail();
}
