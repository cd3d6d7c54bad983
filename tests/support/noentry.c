/* Loads like the content service library but offers no entry point. */
int noentry_marker(void)
{
    return 0;
}
