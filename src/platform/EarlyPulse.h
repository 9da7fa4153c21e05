#pragma once
// A connection to the sound server that the program's launcher starts before
// the rest of the program has loaded, so that the stream exists by the time
// the first song opens. The launcher offers it; the audio output claims it.
#include "platform/PulseStream.h"

class EarlyPulse {
public:
  virtual ~EarlyPulse() = default;
  // Waits for the launcher's attempt; true with the connection (and its
  // stream) when it was made. The caller owns what it takes. Answers once.
  virtual bool Take(PulseHandles& handles) = 0;
};

// The launcher's offer, for the first audio output to claim (null: none).
void OfferEarlyPulse(EarlyPulse* early);
EarlyPulse* ClaimEarlyPulse();
