// STUB: replaced by the real CTime.
