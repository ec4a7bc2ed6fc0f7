// A library that a test module needs and the loader cannot find: it is built away from
// every folder the loader searches.
extern "C" __attribute__((visibility("default"))) int TrvxTestGoneValue()
{
    return 0;
}
