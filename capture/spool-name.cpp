// STUB: replaced by the name number of spool files.
