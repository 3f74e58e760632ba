// STUB: replaced by the real CFileFind.
