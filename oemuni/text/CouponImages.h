// Coupon images collected from text keys during the document, sent before its end block.
#pragma once

#include "oemuni/frame/UnidrvTypes.h"

class JobOutput;

// Sends the collected coupon images to the spooler and the journal; true when the spooler
// accepted every byte. The list is emptied.
bool SendCouponImageData(JobOutput& jobOutput, PDEVOBJ pdevobj);
