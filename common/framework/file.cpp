// STUB: replaced by the real CFile.
