// Holds the precompiled headers the test executables reuse.
int main()
{
    return 0;
}
