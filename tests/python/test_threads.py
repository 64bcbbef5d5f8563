"""Eight threads at once: sampling one shared library and the defaults, and
constructing libraries, give the answers that one thread gives."""
import sys
import threading

import pytest

THREADS = 8
ROUNDS = 40


@pytest.fixture(scope="module")
def work(module):
    own = [module.SampledPattern("own_%d" % k, "", [[k / 8, -i / (97 + k), 0.5] for i in range(97 + k)])
           for k in range(8)]
    bounce = module.SampledPattern("bounce", "One-beat vertical bounce",
                                   [list(module.bounce(i).as_tuple()) for i in range(64)])
    shared = module.PatternLibrary(own)
    names = ["bounce", "helix", "lfo_breathe", "rhythm_group_223", "weave_5_9", "own_3", "own_7"]
    pips = [-(2**31), -1, 0, 1, 63, 64, 447, 1000, 2**31 - 1]

    def one_round(seed):
        """Every kind of call once; returns what a round saw."""
        seen = []
        for name in names:
            for pip in pips:
                seen.append(shared.sample(name, pip ^ seed).as_tuple())
                if not name.startswith("own"):
                    seen.append(module.sample(name, pip ^ seed).as_tuple())
        seen.append(module.helix(seed).as_tuple())
        built = module.PatternLibrary(own[seed % 8:] + [bounce])
        seen.append(len(built.catalogue()))
        seen.append(built.sample("own_7", seed).as_tuple())
        for bad in ("own_", "Bounce"):
            try:
                shared.sample(bad, seed)
            except ValueError as error:
                seen.append(str(error))
        try:
            module.PatternLibrary(own + own[:1])
        except ValueError as error:
            seen.append(str(error))
        return seen

    return one_round


def test_threads_agree_with_one_thread(work):
    expected = [work(seed) for seed in range(ROUNDS)]
    results = [None] * THREADS
    start = threading.Barrier(THREADS)

    def run(index):
        start.wait()
        results[index] = [work(seed) for seed in range(ROUNDS)]

    interval = sys.getswitchinterval()
    sys.setswitchinterval(1e-5)  # switch threads as often as the interpreter will
    try:
        threads = [threading.Thread(target=run, args=(i,)) for i in range(THREADS)]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
    finally:
        sys.setswitchinterval(interval)
    assert all(result == expected for result in results)
