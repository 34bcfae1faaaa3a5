"""What the fault scripts share: the length of the stub a dravik carries."""


def stub_length(dravik):
    """Length of the stub dravik carries (its archive's entry 0): the fault
    scripts size chunks as data room beyond it, whatever stub the build packed."""
    with open(dravik, "rb") as f:
        data = f.read()
    start = int.from_bytes(data[-20:-16], "little")
    name = int.from_bytes(data[start + 4:start + 8], "little")
    return int.from_bytes(data[start + 8 + name:start + 12 + name], "little")
