#pragma once
// Where a run takes the server's answer from.

enum class AnswerSource {
  Download,
  // The run after the mail client ended: the answer a run downloaded
  // earlier the same day (address.xml) when there is one, else a download.
  KeptCopyOfToday,
};
