"""Counted expectations for the Windows test scripts: a line each, a tally at the end."""


def shown(value):
    """A value for a failure line; long byte strings by length and start."""
    if isinstance(value, bytes) and len(value) > 80:
        return "%d bytes starting %r" % (len(value), value[:24])
    return repr(value)


class Checks:
    def __init__(self):
        self.passed = 0
        self.failed = 0

    def expect(self, what, actual, expected):
        if actual == expected:
            self.passed += 1
            print("ok      %s" % what)
        else:
            self.failed += 1
            print("FAILED  %s:\n          got      %s\n          expected %s" % (what, shown(actual), shown(expected)))
        return actual == expected

    def guard(self, what, run):
        try:
            run()
        except Exception as error:  # a resource that cannot be read fails its check
            self.failed += 1
            print("FAILED  %s: %s" % (what, error))
